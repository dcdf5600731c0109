// The update server compiled in from the ZENDAVO_UPDATE_* cache options.
#include "update/update_check.h"

#include "update_server_values.h"

namespace zendavo {

UpdateServerConfig buildTimeUpdateServer()
{
    UpdateServerConfig config;
    config.host = generated::updateHost;
    config.port = generated::updatePort;
    config.user = generated::updateUser;
    config.password = generated::updatePassword;
    config.database = generated::updateDatabase;
    return config;
}

}  // namespace zendavo
