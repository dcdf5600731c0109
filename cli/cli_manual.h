// What --help prints: the manual of zendavo-cli, in the run's language. The man page
// zendavo-cli.1 is made from the same text by help2man at build time.
#pragma once

#include <string>

namespace zendavo {

std::string manualText();
// "zendavo-cli 1.03".
std::string versionText();

}  // namespace zendavo
