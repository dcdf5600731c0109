// The update check against a real MariaDB server (the update_server fixture).
#include "tests/update/update_test_server.h"
#include "update/update_check.h"

#include <gtest/gtest.h>
#include <mysql.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <poll.h>

#include <cctype>
#include <chrono>
#include <thread>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace zendavo {
namespace {

using test::TestServer;

constexpr double programVersion = 1.03;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

UpdateNotice connectAndCheck(UpdateCheck& check, double program = programVersion)
{
    check.connectUpdateServer();
    return check.checkForUpdate(program);
}

// What a check that learnt no version shows: nothing, and the version still at 0.
void expectNoVersionRead(const UpdateCheck& check, const UpdateNotice& notice)
{
    EXPECT_FALSE(notice.visible);
    EXPECT_EQ(notice.title, "");
    EXPECT_DOUBLE_EQ(check.latestVersion(), 0.0);
}

// Each test works in a database of its own, so that tests may run side by side.
class UpdateServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto server = test::readTestServer();
        ASSERT_TRUE(server) << "update_server fixture not running (details file '"
                            << test::testServerFile() << "')";
        server_ = *server;
        database_ = "zendavo_t_";
        for (const char c : std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))
            database_ += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        database_ = database_.substr(0, 64);
        ASSERT_EQ(admin("DROP DATABASE IF EXISTS `" + database_ + "`; CREATE DATABASE `" + database_ +
                        "` CHARACTER SET utf8mb4"),
                  "");
        arrange("CREATE TABLE addwatermark (id INT AUTO_INCREMENT PRIMARY KEY, mark INT, "
                "ver VARCHAR(64), note TEXT, upaddress TEXT) CHARACTER SET utf8mb4");
    }

    void TearDown() override
    {
        unlockTable();
        if (database_.size() > 10) admin("DROP DATABASE IF EXISTS `" + database_ + "`");
    }

    std::string admin(const std::string& sql) const { return test::adminExecute(server_, sql); }

    // Runs SQL in this test's database; a failure fails the test.
    void arrange(const std::string& sql) const
    {
        const std::string error = admin("USE `" + database_ + "`; " + sql);
        EXPECT_EQ(error, "") << "while arranging: " << sql;
    }

    void setRows(const std::string& values) const
    {
        arrange("DELETE FROM addwatermark; INSERT INTO addwatermark (mark, ver, note, upaddress) VALUES " +
                values);
    }

    UpdateServerConfig config() const { return server_.config(database_); }

    // Holds the table under a write lock from a second session, so that queries on it stall.
    void lockTable()
    {
        locker_ = mysql_init(nullptr);
        ASSERT_NE(locker_, nullptr);
        ASSERT_NE(mysql_real_connect(locker_, "localhost", server_.adminUser.c_str(),
                                     server_.adminPassword.c_str(), database_.c_str(), 0,
                                     server_.socket.c_str(), 0),
                  nullptr)
            << mysql_error(locker_);
        const std::string lock = "LOCK TABLES addwatermark WRITE";
        ASSERT_EQ(mysql_real_query(locker_, lock.data(), lock.size()), 0) << mysql_error(locker_);
    }

    // Ends the locking session, and with it the lock.
    void unlockTable()
    {
        if (locker_) mysql_close(locker_);
        locker_ = nullptr;
    }

    TestServer server_;
    std::string database_;
    MYSQL* locker_ = nullptr;
};

// A version row as the server holds it, and what the window learns from it.
struct VersionCase {
    std::string ver;  // SQL literal for the column "ver"
    double program;
    bool visible;
    std::string title;
    double latest;
};

TEST_F(UpdateServerTest, ComparesTheServerVersionWithOurs)
{
    const VersionCase cases[] = {
        {"'1.1'", programVersion, true, "Zendavo1.03（有新的版本1.1）", 1.1},
        {"'1.03'", programVersion, false, "", 1.03},
        {"'1.0'", programVersion, false, "", 1.0},
        // Above ours by less than 0.0000001 counts as equal; by more it is newer.
        {"'1.03000005'", programVersion, false, "", 1.03000005},
        {"'1.0300002'", programVersion, true, "Zendavo1.03（有新的版本1.0300002）", 1.0300002},
        // Read as C atof: leading space, the longest numeric prefix, 0 without one.
        {"'  2.5beta'", programVersion, true, "Zendavo1.03（有新的版本2.5）", 2.5},
        {"'1e1'", programVersion, true, "Zendavo1.03（有新的版本10）", 10.0},
        {"'0x1p1'", programVersion, true, "Zendavo1.03（有新的版本2）", 2.0},
        {"'v2'", programVersion, false, "", 0.0},
        {"''", programVersion, false, "", 0.0},
        {"NULL", programVersion, false, "", 0.0},
        {"'1.123456789012345'", programVersion, true, "Zendavo1.03（有新的版本1.123456789012）",
         1.123456789012345},
        // The comparison is against the version passed in.
        {"'1.1'", 2.0, false, "", 1.1},
        {"'1'", 0.9, true, "Zendavo0.9（有新的版本1）", 1.0},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE("ver " + c.ver + ", program " + std::to_string(c.program));
        setRows("(1, " + c.ver + ", '有新版本', 'https://zendavo.example/get')");
        UpdateCheck check(config());
        const UpdateNotice notice = connectAndCheck(check, c.program);
        EXPECT_EQ(notice.visible, c.visible);
        EXPECT_EQ(notice.title, c.title);
        EXPECT_EQ(notice.text, c.visible ? "有新版本" : "");
        EXPECT_DOUBLE_EQ(check.latestVersion(), c.latest);
        EXPECT_EQ(check.noticeText(), "有新版本");
        EXPECT_EQ(check.noticeLink(), "https://zendavo.example/get");
    }
}

TEST_F(UpdateServerTest, ReadsANumericVersionColumn)
{
    arrange("ALTER TABLE addwatermark MODIFY ver DOUBLE");
    setRows("(1, 1.1, '新', 'https://zendavo.example/')");
    UpdateCheck check(config());
    const UpdateNotice notice = connectAndCheck(check);
    EXPECT_TRUE(notice.visible);
    EXPECT_EQ(notice.title, "Zendavo1.03（有新的版本1.1）");
    EXPECT_DOUBLE_EQ(check.latestVersion(), 1.1);
}

struct RowsCase {
    std::string rows;
    bool visible;
    double latest;
    std::string note;
    std::string link;
};

TEST_F(UpdateServerTest, TheLastReturnedRowWins)
{
    const RowsCase cases[] = {
        {"(1, '1.5', '第一', 'https://a.example/'), (1, '1.2', '第二', 'https://b.example/')", true, 1.2,
         "第二", "https://b.example/"},
        // The last row decides even when an earlier one was newer.
        {"(1, '1.5', '第一', 'https://a.example/'), (1, '1.0', '第二', 'https://b.example/')", false, 1.0,
         "第二", "https://b.example/"},
        // Rows without mark = 1 are not returned at all.
        {"(1, '1.2', '要', 'https://a.example/'), (0, '9', '不要', 'https://x.example/'), "
         "(2, '9', '不要', 'https://y.example/')",
         true, 1.2, "要", "https://a.example/"},
        {"(1, '1.1', '一', 'https://a.example/'), (1, '1.2', '二', 'https://b.example/'), "
         "(1, '1.3', '三', 'https://c.example/')",
         true, 1.3, "三", "https://c.example/"},
    };
    for (const RowsCase& c : cases) {
        SCOPED_TRACE(c.rows);
        setRows(c.rows);
        UpdateCheck check(config());
        const UpdateNotice notice = connectAndCheck(check);
        EXPECT_EQ(notice.visible, c.visible);
        EXPECT_DOUBLE_EQ(check.latestVersion(), c.latest);
        EXPECT_EQ(check.noticeText(), c.note);
        EXPECT_EQ(check.noticeLink(), c.link);
    }
}

TEST_F(UpdateServerTest, NullTextsReadAsEmpty)
{
    setRows("(1, '1.1', NULL, NULL)");
    UpdateCheck check(config());
    const UpdateNotice notice = connectAndCheck(check);
    EXPECT_TRUE(notice.visible);
    EXPECT_EQ(notice.title, "Zendavo1.03（有新的版本1.1）");
    EXPECT_EQ(notice.text, "");
    EXPECT_EQ(check.noticeLink(), "");
    EXPECT_FALSE(isOpenableLink(check.noticeLink()));
}

// NULL is a value: it replaces what an earlier row left.
TEST_F(UpdateServerTest, NullAfterValuesReplacesThem)
{
    setRows("(1, '1.1', '新', 'https://a.example/'), (1, '1.2', NULL, NULL)");
    UpdateCheck check(config());
    const UpdateNotice notice = connectAndCheck(check);
    EXPECT_TRUE(notice.visible);
    EXPECT_EQ(notice.text, "");
    EXPECT_EQ(check.noticeText(), "");
    EXPECT_EQ(check.noticeLink(), "");

    setRows("(1, '1.2', '新', 'https://a.example/'), (1, NULL, '旧', 'https://b.example/')");
    EXPECT_FALSE(check.checkForUpdate(programVersion).visible);
    EXPECT_DOUBLE_EQ(check.latestVersion(), 0.0);
    EXPECT_EQ(check.noticeText(), "旧");
}

TEST_F(UpdateServerTest, ColumnNamesAreCaseSensitive)
{
    for (const std::string column : {"Ver", "VER"}) {
        SCOPED_TRACE(column);
        arrange("DROP TABLE addwatermark; CREATE TABLE addwatermark (mark INT, `" + column +
                "` VARCHAR(64), note TEXT, upaddress TEXT) CHARACTER SET utf8mb4; "
                "INSERT INTO addwatermark VALUES (1, '1.1', '新版本', 'https://zendavo.example/')");
        UpdateCheck check(config());
        expectNoVersionRead(check, connectAndCheck(check));
        // The columns that are spelled right are still read.
        EXPECT_EQ(check.noticeText(), "新版本");
        EXPECT_EQ(check.noticeLink(), "https://zendavo.example/");
    }
}

TEST_F(UpdateServerTest, NoRowOrNoTableReadsNothing)
{
    const std::string arrangements[] = {
        "DELETE FROM addwatermark",
        "DELETE FROM addwatermark; INSERT INTO addwatermark (mark, ver, note) VALUES (0, '9', '旧'), "
        "(NULL, '9', '旧')",
        "DROP TABLE addwatermark",
        "DROP TABLE addwatermark; CREATE TABLE addwatermark (ver VARCHAR(9), note TEXT); "
        "INSERT INTO addwatermark VALUES ('9', '无 mark 列')",
    };
    for (const std::string& sql : arrangements) {
        SCOPED_TRACE(sql);
        arrange("DROP TABLE IF EXISTS addwatermark; CREATE TABLE addwatermark (id INT AUTO_INCREMENT "
                "PRIMARY KEY, mark INT, ver VARCHAR(64), note TEXT, upaddress TEXT)");
        arrange(sql);
        UpdateCheck check(config());
        expectNoVersionRead(check, connectAndCheck(check));
        EXPECT_EQ(check.noticeText(), "");
        EXPECT_EQ(check.noticeLink(), "");
    }
}

// The window checks twice; the second check decides, and values read before stay when the
// second one reads nothing.
TEST_F(UpdateServerTest, SecondCheckOnTheSameConnection)
{
    setRows("(1, '1.1', '新', 'https://zendavo.example/')");
    UpdateCheck check(config());
    check.connectUpdateServer();
    ASSERT_TRUE(check.checkForUpdate(programVersion).visible);

    arrange("UPDATE addwatermark SET ver = '1.0', note = '旧'");
    UpdateNotice notice = check.checkForUpdate(programVersion);
    EXPECT_FALSE(notice.visible);
    EXPECT_EQ(notice.title, "");
    EXPECT_DOUBLE_EQ(check.latestVersion(), 1.0);
    EXPECT_EQ(check.noticeText(), "旧");

    setRows("(1, '1.2', '更新', 'https://zendavo.example/1.2')");
    ASSERT_TRUE(check.checkForUpdate(programVersion).visible);
    for (const std::string sql : {"DELETE FROM addwatermark", "DROP TABLE addwatermark"}) {
        SCOPED_TRACE(sql);
        arrange(sql);
        notice = check.checkForUpdate(programVersion);
        EXPECT_TRUE(notice.visible);
        EXPECT_EQ(notice.title, "Zendavo1.03（有新的版本1.2）");
        EXPECT_EQ(notice.text, "更新");
        EXPECT_EQ(check.noticeLink(), "https://zendavo.example/1.2");
    }
}

struct TextCase {
    std::string charset;
    std::string note;
};

TEST_F(UpdateServerTest, ChineseNoticeArrivesIntact)
{
    const TextCase cases[] = {
        {"utf8mb4", "新版本1.1已发布：水印位置更准确，点击下载"},
        {"utf8mb4", "表情也能到达🎉"},
        {"gbk", "新版本1.1已发布：水印位置更准确，点击下载"},
        {"gb2312", "新版本已发布"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.charset + " " + c.note);
        arrange("DELETE FROM addwatermark; ALTER TABLE addwatermark MODIFY note TEXT CHARACTER SET " + c.charset +
                ", MODIFY upaddress TEXT CHARACTER SET " + c.charset);
        setRows("(1, '1.1', '" + c.note + "', 'https://zendavo.example/下载')");
        UpdateCheck check(config());
        const UpdateNotice notice = connectAndCheck(check);
        EXPECT_TRUE(notice.visible);
        EXPECT_EQ(notice.text, c.note);
        EXPECT_EQ(check.noticeLink(), "https://zendavo.example/下载");
    }
}

struct LineCase {
    std::string sql;   // SQL literal of the note
    std::string text;  // the notice line
};

TEST_F(UpdateServerTest, NoticeIsOneLineOfPlainText)
{
    const LineCase cases[] = {
        {"'第一行\\n第二行'", "第一行"},
        {"'第一行\\r\\n第二行'", "第一行"},
        {"'第一行\\r第二行'", "第一行"},
        {"'第一行\\0第二行'", "第一行"},
        {"CONCAT('第一行', CHAR(11), '第二行')", "第一行"},
        {"CONCAT('第一行', CHAR(12), '第二行')", "第一行"},
        {"'第一行\u2028第二行'", "第一行"},
        {"'第一行\u2029第二行'", "第一行"},
        {"'第一行\u0085第二行'", "第一行"},
        {"'\\n只有第二行'", ""},
        // Markup is text like any other; the window shows it as written.
        {"'<b>新版本</b> <a href=\"file:///etc\">点击</a> &amp;'",
         "<b>新版本</b> <a href=\"file:///etc\">点击</a> &amp;"},
        {"'制表\\t符保留'", "制表\t符保留"},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.sql);
        setRows("(1, '1.1', " + c.sql + ", 'https://zendavo.example/')");
        UpdateCheck check(config());
        const UpdateNotice notice = connectAndCheck(check);
        EXPECT_TRUE(notice.visible);
        EXPECT_EQ(notice.text, c.text);
    }
}

// Qt sets the process locale from the environment; a decimal comma must change nothing.
TEST_F(UpdateServerTest, ReadsAndWritesNumbersInTheCLocale)
{
#ifdef ZENDAVO_TEST_LOCALE_DIR
    ::setenv("LOCPATH", ZENDAVO_TEST_LOCALE_DIR, 1);
#endif
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "no de_DE.UTF-8 locale (built by localedef when the locales data exist)";
    ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");

    setRows("(1, '1.25', '新', 'https://zendavo.example/')");
    UpdateCheck check(config());
    const UpdateNotice notice = connectAndCheck(check);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_DOUBLE_EQ(check.latestVersion(), 1.25);
    EXPECT_TRUE(notice.visible);
    EXPECT_EQ(notice.title, "Zendavo1.03（有新的版本1.25）");
}

// Whatever the process writes to stdout and stderr while it lives.
class OutputCapture {
public:
    OutputCapture() : file_(std::tmpfile())
    {
        std::fflush(stdout);
        std::fflush(stderr);
        savedOut_ = dup(1);
        savedErr_ = dup(2);
        dup2(fileno(file_), 1);
        dup2(fileno(file_), 2);
    }
    ~OutputCapture()
    {
        restore();
        std::fclose(file_);
    }
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    std::string text()
    {
        restore();
        std::string out;
        std::rewind(file_);
        for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) out += static_cast<char>(c);
        return out;
    }

private:
    void restore()
    {
        if (savedOut_ < 0) return;
        std::fflush(stdout);
        std::fflush(stderr);
        dup2(savedOut_, 1);
        dup2(savedErr_, 2);
        close(savedOut_);
        close(savedErr_);
        savedOut_ = savedErr_ = -1;
    }

    std::FILE* file_;
    int savedOut_ = -1;
    int savedErr_ = -1;
};

// A TCP socket bound to a free loopback port, and that port in `address`.
int boundLoopbackSocket(sockaddr_in& address)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return fd;
}

// A loopback port that nothing listens on.
unsigned closedPort()
{
    sockaddr_in address{};
    close(boundLoopbackSocket(address));
    return ntohs(address.sin_port);
}

struct RefusedCase {
    std::string what;
    UpdateServerConfig config;
};

TEST_F(UpdateServerTest, RefusedConnectionsShowNothing)
{
    setRows("(1, '1.1', '新', 'https://zendavo.example/')");
    std::vector<RefusedCase> cases;
    cases.push_back({"wrong password", config()});
    cases.back().config.password += "x";
    cases.push_back({"empty password", config()});
    cases.back().config.password.clear();
    cases.push_back({"unknown user", config()});
    cases.back().config.user = "nobody";
    cases.push_back({"database not granted", config()});
    cases.back().config.database = "mysql";
    cases.push_back({"no such database", config()});
    cases.back().config.database = "zendavo_missing";
    cases.push_back({"closed port", config()});
    cases.back().config.port = closedPort();
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto start = std::chrono::steady_clock::now();
        UpdateCheck check(c.config);
        OutputCapture output;
        check.connectUpdateServer();
        const UpdateNotice first = check.checkForUpdate(programVersion);
        const UpdateNotice second = check.checkForUpdate(programVersion);
        // Failures are silent.
        EXPECT_EQ(output.text(), "");
        // Refusals answer at once, well inside the time-out.
        EXPECT_LT(secondsSince(start), static_cast<double>(c.config.timeoutSeconds));
        EXPECT_FALSE(first.visible);
        expectNoVersionRead(check, second);
        EXPECT_EQ(check.noticeText(), "");
    }
}

// No host configured: nothing is asked, even with a server reachable by every default.
TEST_F(UpdateServerTest, NoHostAsksNothing)
{
    setRows("(1, '1.1', '新', 'https://zendavo.example/')");
    UpdateServerConfig noHost = config();
    noHost.host.clear();
    ::setenv("MYSQL_UNIX_PORT", server_.socket.c_str(), 1);
    ::setenv("MYSQL_HOST", server_.host.c_str(), 1);
    UpdateCheck check(noHost);
    const UpdateNotice notice = connectAndCheck(check);
    ::unsetenv("MYSQL_UNIX_PORT");
    ::unsetenv("MYSQL_HOST");
    expectNoVersionRead(check, notice);

    // The same settings with the host do reach the server.
    UpdateCheck reached(config());
    reached.connectUpdateServer();
    EXPECT_TRUE(reached.checkForUpdate(programVersion).visible);
}

// "localhost" goes over TCP to the configured port, never to a local server's socket.
TEST_F(UpdateServerTest, LocalhostMeansTcp)
{
    setRows("(1, '1.1', '新', 'https://zendavo.example/')");
    arrange("CREATE USER IF NOT EXISTS 'zendavo_tcp'@'127.0.0.1' IDENTIFIED BY 'tcp-only'; "
            "GRANT SELECT ON `" + database_ + "`.* TO 'zendavo_tcp'@'127.0.0.1'");
    UpdateServerConfig local = config();
    local.host = "localhost";
    local.user = "zendavo_tcp";
    local.password = "tcp-only";
    ::setenv("MYSQL_UNIX_PORT", server_.socket.c_str(), 1);
    UpdateCheck check(local);
    const UpdateNotice notice = connectAndCheck(check);
    ::unsetenv("MYSQL_UNIX_PORT");
    arrange("DROP USER 'zendavo_tcp'@'127.0.0.1'");
    EXPECT_TRUE(notice.visible);
}

// Settings for a stand-in server on a loopback port.
UpdateServerConfig configFor(unsigned port)
{
    UpdateServerConfig config;
    config.host = "127.0.0.1";
    config.port = port;
    config.user = "zendavo";
    config.password = "whatever";
    return config;
}

// A listening socket that never answers: as the handshake stalls (accepted, nothing sent)
// or as the TCP connect stalls (backlog full, the SYN dropped).
class SilentServer {
public:
    explicit SilentServer(bool fullBacklog)
    {
        sockaddr_in address{};
        listener_ = boundLoopbackSocket(address);
        listen(listener_, 0);
        port_ = ntohs(address.sin_port);
        if (!fullBacklog) return;
        for (int i = 0; i < 4; ++i) {
            const int filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
            fillers_.push_back(filler);
        }
        usleep(100000);
    }
    ~SilentServer()
    {
        for (const int fd : fillers_) close(fd);
        close(listener_);
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    unsigned port() const { return port_; }

private:
    int listener_ = -1;
    unsigned port_ = 0;
    std::vector<int> fillers_;
};

TEST(UpdateCheckTimeout, ASilentServerIsGivenUpAfterTheTimeOut)
{
    for (const bool fullBacklog : {false, true}) {
        SCOPED_TRACE(fullBacklog ? "connect stalls" : "handshake stalls");
        SilentServer silent(fullBacklog);
        UpdateServerConfig config = configFor(silent.port());
        config.timeoutSeconds = 1;
        const auto start = std::chrono::steady_clock::now();
        UpdateCheck check(config);
        OutputCapture output;
        const UpdateNotice notice = connectAndCheck(check);
        const double seconds = secondsSince(start);
        EXPECT_EQ(output.text(), "");
        EXPECT_FALSE(notice.visible);
        // Without the time-out this waits for ever; with the default it would take 5 s.
        EXPECT_GE(seconds, 0.8);
        EXPECT_LT(seconds, 4.5);
    }
}

// Connected, then the query stalls (the table locked by another session): the read time-out
// ends the wait and the check reads nothing.
TEST_F(UpdateServerTest, AStalledQueryIsGivenUpAfterTheReadTimeOut)
{
    setRows("(1, '1.1', '新', 'https://zendavo.example/')");
    ASSERT_NO_FATAL_FAILURE(lockTable());

    UpdateServerConfig shortWait = config();
    shortWait.timeoutSeconds = 1;
    UpdateCheck check(shortWait);
    check.connectUpdateServer();
    const auto start = std::chrono::steady_clock::now();
    const UpdateNotice notice = check.checkForUpdate(programVersion);
    const double seconds = secondsSince(start);
    unlockTable();

    expectNoVersionRead(check, notice);
    EXPECT_GE(seconds, 0.8);
    EXPECT_LT(seconds, 4.5);
}

// Accepts connections and sends one byte every `interval` on each, for ever: every single
// wait of the client ends well inside its time-out, yet no answer is ever complete.
class TricklingServer {
public:
    explicit TricklingServer(std::chrono::milliseconds interval)
    {
        sockaddr_in address{};
        listener_ = boundLoopbackSocket(address);
        listen(listener_, 4);
        port_ = ntohs(address.sin_port);
        thread_ = std::jthread([this, interval](std::stop_token stop) { serve(stop, interval); });
    }
    ~TricklingServer()
    {
        thread_.request_stop();
        thread_.join();
        close(listener_);
    }
    TricklingServer(const TricklingServer&) = delete;
    TricklingServer& operator=(const TricklingServer&) = delete;
    unsigned port() const { return port_; }

private:
    void serve(const std::stop_token& stop, std::chrono::milliseconds interval)
    {
        std::vector<int> clients;
        auto nextByte = std::chrono::steady_clock::now();
        while (!stop.stop_requested()) {
            pollfd listening{listener_, POLLIN, 0};
            if (poll(&listening, 1, 50) > 0) clients.push_back(accept(listener_, nullptr, nullptr));
            if (std::chrono::steady_clock::now() < nextByte) continue;
            // A byte of a packet header that never completes.
            for (const int client : clients) send(client, "\x01", 1, MSG_NOSIGNAL);
            nextByte += interval;
        }
        for (const int client : clients) close(client);
    }

    int listener_ = -1;
    unsigned port_ = 0;
    std::jthread thread_;
};

struct TrickleCase {
    std::chrono::milliseconds limit;
    double atLeast;
    double below;
};

// The per-wait time-outs never fire against a trickle; the whole-check limit still ends it
// (the default of 10 s, and a short one).
TEST(UpdateCheckTimeout, ATricklingServerIsGivenUpAtTheWholeCheckLimit)
{
    const TrickleCase cases[] = {
        {UpdateServerConfig{}.wholeCheckLimit, 9.5, 12.0},
        {std::chrono::milliseconds(1500), 1.3, 3.0},
    };
    for (const TrickleCase& c : cases) {
        SCOPED_TRACE(c.limit.count());
        TricklingServer trickle(std::chrono::seconds(3));
        UpdateServerConfig config = configFor(trickle.port());
        config.wholeCheckLimit = c.limit;
        const auto start = std::chrono::steady_clock::now();
        UpdateCheck check(config);
        OutputCapture output;
        check.connectUpdateServer();
        const UpdateNotice first = check.checkForUpdate(programVersion);
        const UpdateNotice second = check.checkForUpdate(programVersion);
        const double seconds = secondsSince(start);
        EXPECT_EQ(output.text(), "");
        EXPECT_FALSE(first.visible);
        expectNoVersionRead(check, second);
        EXPECT_GE(seconds, c.atLeast);
        EXPECT_LT(seconds, c.below);
    }
}

// The limit covers the queries too: connected at once, then the query stalls on a lock for
// longer than the limit but shorter than the per-wait time-out.
TEST_F(UpdateServerTest, TheWholeCheckLimitCoversTheQueries)
{
    setRows("(1, '1.1', '新', 'https://zendavo.example/')");
    ASSERT_NO_FATAL_FAILURE(lockTable());

    UpdateServerConfig limited = config();
    limited.timeoutSeconds = 30;
    limited.wholeCheckLimit = std::chrono::milliseconds(1500);
    const auto start = std::chrono::steady_clock::now();
    UpdateCheck check(limited);
    check.connectUpdateServer();
    const UpdateNotice first = check.checkForUpdate(programVersion);
    const double afterFirst = secondsSince(start);
    // The second check finds the connection dropped and asks nothing.
    unlockTable();
    const UpdateNotice second = check.checkForUpdate(programVersion);
    const double seconds = secondsSince(start);

    EXPECT_FALSE(first.visible);
    expectNoVersionRead(check, second);
    EXPECT_GE(afterFirst, 1.3);
    EXPECT_LT(seconds, 4.0);
}

}  // namespace
}  // namespace zendavo
