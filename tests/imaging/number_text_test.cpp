#include "imaging/number_text.h"

#include <climits>
#include <cmath>

#include <gtest/gtest.h>

namespace zendavo {
namespace {

TEST(NumberText, FormatsWithThirteenSignificantDigits)
{
    EXPECT_EQ(formatNumber(1.03), "1.03");
    EXPECT_EQ(formatNumber(1.1), "1.1");
    EXPECT_EQ(formatNumber(2.0), "2");
    EXPECT_EQ(formatNumber(0.1 + 0.2), "0.3");
    EXPECT_EQ(formatNumber(1.0300000001), "1.0300000001");
    EXPECT_EQ(formatNumber(1e20), "1e+20");
    EXPECT_EQ(formatNumber(0.0001), "0.0001");
    EXPECT_EQ(formatNumber(1.0 / 3), "0.3333333333333");
}

TEST(NumberText, ReadsTheLongestDecimalPrefix)
{
    const std::pair<const char*, double> cases[] = {
        {"20", 20},         {"  15abc", 15},     {"-5", -5},         {"+7", 7},
        {"-", 0},           {"", 0},             {"abc", 0},         {"1e3", 1000},
        {"1e", 1},          {".5", 0.5},         {"5.", 5},          {"1.5e-1x", 0.15},
        {"0x10", 0},        {"inf", 0},          {"nan", 0},         {"\t\n 3", 3},
        {"1e999", HUGE_VAL}, {"1e-999", 0},       {"- 5", 0},         {"1500", 1500},
    };
    for (auto [text, want] : cases) EXPECT_DOUBLE_EQ(textToNumber(text), want) << '"' << text << '"';
}

TEST(NumberText, FullWidthFormsReadAsAscii)
{
    EXPECT_DOUBLE_EQ(textToNumber("２０"), 20);            // U+FF12 U+FF10
    EXPECT_DOUBLE_EQ(textToNumber("　１２"), 12);          // ideographic space first
    EXPECT_DOUBLE_EQ(textToNumber("－５"), -5);            // full-width minus
    EXPECT_DOUBLE_EQ(textToNumber("１．５"), 1.5);
    EXPECT_DOUBLE_EQ(textToNumber("二十"), 0);             // not a full-width form
    EXPECT_DOUBLE_EQ(textToNumber("\xEF\xBC"), 0);         // a cut sequence is not a digit
}

TEST(NumberText, IntegersTruncateTowardZero)
{
    EXPECT_EQ(textToInt("12.9"), 12);
    EXPECT_EQ(textToInt("-12.9"), -12);
    EXPECT_EQ(textToInt("-0.5"), 0);
    EXPECT_EQ(textToInt("1e30"), INT_MAX);
    EXPECT_EQ(textToInt("-1e30"), INT_MIN);
}

}  // namespace
}  // namespace zendavo
