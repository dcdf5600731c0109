#include "cli/message_language.h"

#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>

namespace zendavo {
namespace {

constexpr const char* kDomain = "zendavo";

bool isChineseLocaleName(std::string_view name)
{
    return name == "zh" || name.starts_with("zh_") || name.starts_with("zh.") ||
           name.starts_with("zh@");
}

// A category taken from the environment, or the built-in UTF-8 locale when that locale is
// not installed. Numbers keep the C locale's form whatever the user's locale says.
void setCategory(int category)
{
    if (!std::setlocale(category, "")) std::setlocale(category, "C.UTF-8");
}

bool isPlainCLocale(const char* name)
{
    return name == nullptr || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0;
}

}  // namespace

MessageLanguage languageOf(const char* lcAll, const char* lcMessages, const char* lang)
{
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value == nullptr || *value == '\0') continue;
        return isChineseLocaleName(value) ? MessageLanguage::Chinese : MessageLanguage::English;
    }
    return MessageLanguage::English;
}

MessageLanguage languageFromEnvironment()
{
    return languageOf(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

void startMessages(MessageLanguage language, const std::filesystem::path& localeFolder)
{
    setCategory(LC_CTYPE);
    setCategory(LC_MESSAGES);
    // gettext picks the catalogue by LANGUAGE, which it honours for any locale but plain C;
    // so the choice holds even where zh_CN is not generated, and the system's own texts
    // (strerror) follow it where it translates them.
    if (language == MessageLanguage::Chinese) {
        if (isPlainCLocale(std::setlocale(LC_MESSAGES, nullptr))) std::setlocale(LC_MESSAGES, "C.UTF-8");
        if (isPlainCLocale(std::setlocale(LC_CTYPE, nullptr))) std::setlocale(LC_CTYPE, "C.UTF-8");
        ::setenv("LANGUAGE", "zh_CN", 1);
    } else {
        ::setenv("LANGUAGE", "en", 1);
    }
    ::bindtextdomain(kDomain, localeFolder.c_str());
    ::bind_textdomain_codeset(kDomain, "UTF-8");
    ::bind_textdomain_codeset("libc", "UTF-8");
    ::textdomain(kDomain);
}

std::filesystem::path localeFolderBesideProgram()
{
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return program.parent_path().parent_path() / "share" / "locale";
}

const char* tr(const char* english)
{
    return ::dgettext(kDomain, english);
}

const char* trPlural(const char* englishOne, const char* englishMany, unsigned long count)
{
    return ::dngettext(kDomain, englishOne, englishMany, count);
}

}  // namespace zendavo
