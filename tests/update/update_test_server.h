// The private MariaDB server of the update_server test fixture, for tests that need one.
// The fixture writes its connection details to a file whose path the tests receive in
// ZENDAVO_TEST_SERVER_FILE; link zendavo_update_test_server to use this header.
#pragma once

#include "update/update_check.h"

#include <mysql.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace zendavo::test {

struct TestServer {
    std::string host;  // loopback address, TCP
    unsigned port = 0;
    std::string user;  // may read the databases zendavo and zendavo_*
    std::string password;
    std::string database;  // holds the table addwatermark, empty at start
    std::string socket;    // the admin's way in
    std::string adminUser;
    std::string adminPassword;

    // The program's view of this server, on its own database or on another one.
    UpdateServerConfig config(const std::string& otherDatabase = {}) const
    {
        UpdateServerConfig result;
        result.host = host;
        result.port = port;
        result.user = user;
        result.password = password;
        result.database = otherDatabase.empty() ? database : otherDatabase;
        return result;
    }
};

// The path of the details file: ZENDAVO_TEST_SERVER_FILE, else the one of this build tree.
inline std::string testServerFile()
{
    if (const char* path = std::getenv("ZENDAVO_TEST_SERVER_FILE"); path != nullptr && *path)
        return path;
#ifdef ZENDAVO_TEST_SERVER_FILE_DEFAULT
    return ZENDAVO_TEST_SERVER_FILE_DEFAULT;
#else
    return {};
#endif
}

// The running fixture server, or nothing when its details cannot be read.
inline std::optional<TestServer> readTestServer()
{
    std::ifstream in(testServerFile());
    if (!in) return std::nullopt;
    TestServer server;
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "host") server.host = value;
        else if (key == "port") server.port = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
        else if (key == "user") server.user = value;
        else if (key == "password") server.password = value;
        else if (key == "database") server.database = value;
        else if (key == "socket") server.socket = value;
        else if (key == "admin_user") server.adminUser = value;
        else if (key == "admin_password") server.adminPassword = value;
    }
    if (server.host.empty() || server.port == 0 || server.socket.empty()) return std::nullopt;
    return server;
}

// Runs SQL (several statements allowed) as the admin over the socket, in UTF-8.
// Returns the server's error text, or an empty text on success.
inline std::string adminExecute(const TestServer& server, const std::string& sql)
{
    MYSQL* handle = mysql_init(nullptr);
    if (handle == nullptr) return "mysql_init failed";
    mysql_options(handle, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    std::string error;
    if (mysql_real_connect(handle, "localhost", server.adminUser.c_str(),
                           server.adminPassword.c_str(), nullptr, 0, server.socket.c_str(),
                           CLIENT_MULTI_STATEMENTS) == nullptr) {
        error = std::string("connect: ") + mysql_error(handle);
    } else if (mysql_real_query(handle, sql.data(), sql.size()) != 0) {
        error = mysql_error(handle);
    } else {
        int status = 0;
        do {
            if (MYSQL_RES* result = mysql_store_result(handle)) mysql_free_result(result);
            status = mysql_next_result(handle);
        } while (status == 0);
        if (status > 0) error = mysql_error(handle);
    }
    mysql_close(handle);
    return error;
}

}  // namespace zendavo::test
