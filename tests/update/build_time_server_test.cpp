// The cache options arrive in buildTimeUpdateServer() unchanged, quotes and backslashes too.
#include "update/update_check.h"

#include <gtest/gtest.h>

namespace zendavo {
namespace {

#if defined(ZENDAVO_VALUES_ALL)
TEST(BuildTimeUpdateServer, CarriesEveryOptionVerbatim)
{
    const UpdateServerConfig config = buildTimeUpdateServer();
    EXPECT_EQ(config.host, "update.zendavo.example");
    EXPECT_EQ(config.port, 4406u);
    EXPECT_EQ(config.user, "wm_user");
    EXPECT_EQ(config.password, "a\\b\"c'd$e");
    EXPECT_EQ(config.database, "wm \"db\"");
    EXPECT_EQ(config.timeoutSeconds, 5u);
}
#elif defined(ZENDAVO_VALUES_USER_ONLY)
TEST(BuildTimeUpdateServer, DatabaseDefaultsToTheUserName)
{
    const UpdateServerConfig config = buildTimeUpdateServer();
    EXPECT_EQ(config.host, "");
    EXPECT_EQ(config.port, 3306u);
    EXPECT_EQ(config.user, "zendavo");
    EXPECT_EQ(config.password, "");
    EXPECT_EQ(config.database, "zendavo");
}
#endif

}  // namespace
}  // namespace zendavo
