// The start-up question to the update server: is there a newer version than ours?
#pragma once

#include <chrono>
#include <memory>
#include <string>

namespace zendavo {

struct UpdateServerConfig {
    std::string host;  // empty: no server configured, nothing is asked
    unsigned port = 3306;
    std::string user;
    std::string password;
    std::string database;
    unsigned timeoutSeconds = 5;  // connect, read and write, each wait on its own
    // Connecting, SET NAMES and every query together; past it the check is given up.
    std::chrono::milliseconds wholeCheckLimit{10000};
};

// The server configured at build time (ZENDAVO_UPDATE_* cache options).
UpdateServerConfig buildTimeUpdateServer();

// What the window shows after a check.
struct UpdateNotice {
    bool visible = false;
    std::string text;   // one line of plain text
    std::string title;  // set only when visible: "Zendavo1.03（有新的版本1.1）"
};

class UpdateCheck {
public:
    explicit UpdateCheck(UpdateServerConfig config);
    ~UpdateCheck();
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    // Connects once (TCP, time-outs of the config); no host: nothing is attempted.
    // Every failure is silent and leaves the check without a connection. The whole-check
    // limit starts here; the checks that follow get only what is left of it.
    void connectUpdateServer();
    // Asks for the rows with `mark` = 1 and keeps the last row's values; a query that reads
    // nothing keeps the values of the previous one. Visible when the server's version is
    // newer than programVersion by more than 0.0000001.
    UpdateNotice checkForUpdate(double programVersion);

    double latestVersion() const;            // initially 0
    const std::string& noticeText() const;   // as the server sent it, possibly several lines
    const std::string& noticeLink() const;   // unchecked: ask isOpenableLink before opening

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Only http and https URLs with a host may be opened from the notice.
bool isOpenableLink(const std::string& link);

}  // namespace zendavo
