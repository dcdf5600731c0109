// The update server compiled in from the ZENDAVO_UPDATE_* cache options.
#include "update/update_check.h"

#include <string_view>

#include "update_server_values.h"

namespace zendavo {

UpdateServerConfig buildTimeUpdateServer()
{
    // Built from string_views rather than assigned from the arrays: GCC 12 reports a false
    // -Wrestrict overlap for operator=(const char*) on one-letter literals.
    return UpdateServerConfig{
        .host = std::string(std::string_view(generated::updateHost)),
        .port = generated::updatePort,
        .user = std::string(std::string_view(generated::updateUser)),
        .password = std::string(std::string_view(generated::updatePassword)),
        .database = std::string(std::string_view(generated::updateDatabase)),
    };
}

}  // namespace zendavo
