#include "cli/private_folder.h"

#include <cstdlib>
#include <string>
#include <system_error>

namespace zendavo {

PrivateFolder::PrivateFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = (tmp && *tmp ? std::string(tmp) : std::string("/tmp")) + "/zendavo-cli.XXXXXX";
    if (::mkdtemp(pattern.data())) path_ = pattern;
}

PrivateFolder::~PrivateFolder()
{
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);  // does not follow links
}

}  // namespace zendavo
