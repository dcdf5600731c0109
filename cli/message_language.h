// One language for everything a run prints: Chinese when the locale names Chinese, English
// otherwise, through gettext and the program's own catalogue.
#pragma once

#include <filesystem>

namespace zendavo {

enum class MessageLanguage { English, Chinese };

// The first of LC_ALL, LC_MESSAGES and LANG that is set and not empty decides: zh or zh_* is
// Chinese, anything else (C, a locale that does not exist, a broken name) English.
MessageLanguage languageOf(const char* lcAll, const char* lcMessages, const char* lang);
MessageLanguage languageFromEnvironment();

// Makes tr() answer in `language` from the catalogues under `localeFolder`
// (<folder>/zh_CN/LC_MESSAGES/zendavo.mo), whether or not that locale is installed on the
// machine. Call once, before any other thread starts. Never fails: without a catalogue the
// messages stay English.
void startMessages(MessageLanguage language, const std::filesystem::path& localeFolder);

// <the executable's folder>/../share/locale: where the installed package, and the build tree,
// keep the catalogue.
std::filesystem::path localeFolderBesideProgram();

// The translation of an English message of this program.
// Marked as format arguments so printf patterns passed through them stay checked.
const char* tr(const char* english) __attribute__((format_arg(1)));
const char* trPlural(const char* englishOne, const char* englishMany, unsigned long count)
    __attribute__((format_arg(1), format_arg(2)));

}  // namespace zendavo
