// The start-up question to the update server: is there a newer version than ours?
#pragma once

#include <memory>
#include <string>

namespace zendavo {

struct UpdateServerConfig {
    std::string host;  // empty: no server configured, nothing is asked
    unsigned port = 3306;
    std::string user;
    std::string password;
    std::string database;
    unsigned timeoutSeconds = 5;  // connect, read and write
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

    void connectUpdateServer();
    UpdateNotice checkForUpdate(double programVersion);

    double latestVersion() const;
    const std::string& noticeText() const;
    const std::string& noticeLink() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Only http and https URLs with a host may be opened from the notice.
bool isOpenableLink(const std::string& link);

}  // namespace zendavo
