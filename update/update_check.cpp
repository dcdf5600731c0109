// The start-up question to the update server over the MariaDB/MySQL C API.
#include "update/update_check.h"

#include "imaging/number_text.h"

#include <mysql.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <locale.h>
#include <optional>
#include <string_view>
#include <utility>

namespace zendavo {
namespace {

constexpr std::string_view query = "SELECT * FROM addwatermark where `mark`=1";
constexpr std::string_view setNames = "SET NAMES utf8mb4";
constexpr double newerThreshold = -0.0000001;

// One column value of a row: NULL or text.
struct Cell {
    bool isNull = true;
    std::string text;
};

std::optional<unsigned> columnIndex(MYSQL_RES* result, std::string_view name)
{
    const unsigned count = mysql_num_fields(result);
    const MYSQL_FIELD* fields = mysql_fetch_fields(result);
    if (fields == nullptr) return std::nullopt;
    for (unsigned i = 0; i < count; ++i) {
        // Byte for byte: "Ver" is not "ver".
        if (std::string_view(fields[i].name, fields[i].name_length) == name) return i;
    }
    return std::nullopt;
}

// The named column of the row at the cursor, leaving the cursor where it was. With no row
// left at the cursor the last row of the set is read.
std::optional<Cell> readColumn(MYSQL_RES* result, std::string_view name)
{
    if (result == nullptr) return std::nullopt;
    const MYSQL_ROW_OFFSET cursor = mysql_row_tell(result);
    const std::optional<unsigned> index = columnIndex(result, name);
    if (!index) return std::nullopt;

    MYSQL_ROW row = mysql_fetch_row(result);
    if (row == nullptr) {
        const my_ulonglong rows = mysql_num_rows(result);
        if (rows == 0) {
            mysql_row_seek(result, cursor);
            return std::nullopt;
        }
        mysql_data_seek(result, rows - 1);
        row = mysql_fetch_row(result);
    }
    std::optional<Cell> cell;
    if (row != nullptr) {
        const unsigned long* lengths = mysql_fetch_lengths(result);
        cell.emplace();
        if (row[*index] != nullptr) {
            cell->isNull = false;
            cell->text = lengths != nullptr ? std::string(row[*index], lengths[*index])
                                            : std::string(row[*index]);
        }
    }
    mysql_row_seek(result, cursor);
    return cell;
}

// Switches this thread to the "C" locale while it lives: Qt sets the process locale from the
// environment, and a German one would read and write "1,1".
class CLocaleScope {
public:
    CLocaleScope()
        : c_(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr))),
          previous_(c_ != static_cast<locale_t>(nullptr) ? uselocale(c_) : static_cast<locale_t>(nullptr))
    {
    }
    ~CLocaleScope()
    {
        if (c_ == static_cast<locale_t>(nullptr)) return;
        uselocale(previous_);
        freelocale(c_);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t c_;
    locale_t previous_;
};

bool byteAt(const std::string& text, std::size_t i, unsigned char value)
{
    return i < text.size() && static_cast<unsigned char>(text[i]) == value;
}

// CR, LF, VT, FF and NUL, and U+0085, U+2028 and U+2029, which Qt's text layout also breaks at.
bool isLineBreakAt(const std::string& text, std::size_t i)
{
    const auto b = static_cast<unsigned char>(text[i]);
    if (b == '\n' || b == '\r' || b == '\v' || b == '\f' || b == '\0') return true;
    if (b == 0xC2) return byteAt(text, i + 1, 0x85);
    if (b == 0xE2)
        return byteAt(text, i + 1, 0x80) && (byteAt(text, i + 2, 0xA8) || byteAt(text, i + 2, 0xA9));
    return false;
}

// The text up to its first line break: the notice line shows one line only.
std::string firstLine(const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i)
        if (isLineBreakAt(text, i)) return text.substr(0, i);
    return text;
}

using Clock = std::chrono::steady_clock;

// Waits for what a non-blocking call asked for, but never past `deadline`. The MYSQL_WAIT_*
// flags that became ready, or nullopt when the deadline came first.
std::optional<int> waitFor(MYSQL* handle, int wanted, Clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return std::nullopt;
        long long waitMs = left.count();
        const bool libraryTimeout = (wanted & MYSQL_WAIT_TIMEOUT) != 0;
        if (libraryTimeout) waitMs = std::min<long long>(waitMs, mysql_get_timeout_value_ms(handle));

        pollfd fd{};
        fd.fd = mysql_get_socket(handle);
        if (wanted & MYSQL_WAIT_READ) fd.events |= POLLIN;
        if (wanted & MYSQL_WAIT_WRITE) fd.events |= POLLOUT;
        if (wanted & MYSQL_WAIT_EXCEPT) fd.events |= POLLPRI;
        const int polled = ::poll(&fd, 1, static_cast<int>(waitMs));
        if (polled < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (polled == 0) {
            // The library's own time-out ends its wait; ours ends the check.
            if (libraryTimeout && Clock::now() < deadline) return MYSQL_WAIT_TIMEOUT;
            continue;
        }
        // Errors and hang-ups count as ready, so the library meets them and fails.
        constexpr short broken = POLLERR | POLLHUP | POLLNVAL;
        int ready = 0;
        if (fd.revents & (POLLIN | broken)) ready |= MYSQL_WAIT_READ;
        if (fd.revents & (POLLOUT | broken)) ready |= MYSQL_WAIT_WRITE;
        if (fd.revents & POLLPRI) ready |= MYSQL_WAIT_EXCEPT;
        return ready;
    }
}

// Drives one non-blocking call to its end; false when the deadline came first, leaving the
// call unfinished (the connection is then unusable and must be dropped).
template <typename Start, typename Continue>
bool finishBy(MYSQL* handle, Clock::time_point deadline, Start start, Continue next)
{
    int status = start();
    while (status != 0) {
        const std::optional<int> ready = waitFor(handle, status, deadline);
        if (!ready) return false;
        status = next(*ready);
    }
    return true;
}

// Closes a connection whose call was given up half way: the socket is shut first so that
// closing never waits for the server.
void dropConnection(MYSQL* handle)
{
    const my_socket socket = mysql_get_socket(handle);
    if (socket >= 0) ::shutdown(socket, SHUT_RDWR);
    mysql_close(handle);
}

}  // namespace

struct UpdateCheck::State {
    UpdateServerConfig config;
    MYSQL* connection = nullptr;
    double latestVersion = 0.0;
    std::string noticeText;
    std::string noticeLink;
    Clock::time_point deadline;

    // Sends `statement` and waits for its answer; false (connection dropped) past the deadline.
    bool query(std::string_view statement)
    {
        int ignored = 0;
        MYSQL* handle = connection;
        if (finishBy(
                handle, deadline,
                [&] { return mysql_real_query_start(&ignored, handle, statement.data(), statement.size()); },
                [&](int ready) { return mysql_real_query_cont(&ignored, handle, ready); }))
            return true;
        abandon();
        return false;
    }

    // The whole result set, or null; past the deadline the connection is dropped too.
    MYSQL_RES* storeResult()
    {
        MYSQL_RES* result = nullptr;
        MYSQL* handle = connection;
        if (finishBy(
                handle, deadline, [&] { return mysql_store_result_start(&result, handle); },
                [&](int ready) { return mysql_store_result_cont(&result, handle, ready); }))
            return result;
        abandon();
        return nullptr;
    }

    void abandon()
    {
        dropConnection(connection);
        connection = nullptr;
    }

    void readRow(MYSQL_RES* result)
    {
        if (const auto ver = readColumn(result, "ver"))
            latestVersion = ver->isNull ? 0.0 : std::atof(ver->text.c_str());
        if (const auto note = readColumn(result, "note")) noticeText = note->text;
        if (const auto link = readColumn(result, "upaddress")) noticeLink = link->text;
    }
};

UpdateCheck::UpdateCheck(UpdateServerConfig config) : state_(std::make_unique<State>())
{
    state_->config = std::move(config);
}

UpdateCheck::~UpdateCheck()
{
    if (state_->connection != nullptr) mysql_close(state_->connection);
}

void UpdateCheck::connectUpdateServer()
{
    const UpdateServerConfig& config = state_->config;
    if (state_->connection != nullptr || config.host.empty()) return;
    state_->deadline = Clock::now() + config.wholeCheckLimit;

    MYSQL* handle = mysql_init(nullptr);
    if (handle == nullptr) return;
    // Non-blocking calls, so that one deadline bounds the whole exchange however slowly the
    // server trickles its bytes; the per-wait time-outs below still end a silent wait early.
    if (mysql_options(handle, MYSQL_OPT_NONBLOCK, nullptr) != 0) {
        mysql_close(handle);
        return;
    }
    unsigned timeout = config.timeoutSeconds;
    mysql_options(handle, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    mysql_options(handle, MYSQL_OPT_READ_TIMEOUT, &timeout);
    mysql_options(handle, MYSQL_OPT_WRITE_TIMEOUT, &timeout);
    // TCP even for "localhost", which would otherwise mean the local server's socket.
    unsigned protocol = MYSQL_PROTOCOL_TCP;
    mysql_options(handle, MYSQL_OPT_PROTOCOL, &protocol);
    // A hostile server must not be able to ask for the user's files (LOAD DATA LOCAL).
    unsigned localInfile = 0;
    mysql_options(handle, MYSQL_OPT_LOCAL_INFILE, &localInfile);

    const std::string& database = config.database.empty() ? config.user : config.database;
    MYSQL* connected = nullptr;
    const bool answered = finishBy(
        handle, state_->deadline,
        [&] {
            return mysql_real_connect_start(&connected, handle, config.host.c_str(), config.user.c_str(),
                                            config.password.c_str(), database.c_str(), config.port,
                                            nullptr, 0);
        },
        [&](int ready) { return mysql_real_connect_cont(&connected, handle, ready); });
    if (!answered) {
        dropConnection(handle);
        return;
    }
    if (connected == nullptr) {
        mysql_close(handle);
        return;
    }
    state_->connection = handle;
    state_->query(setNames);
}

UpdateNotice UpdateCheck::checkForUpdate(double programVersion)
{
    const CLocaleScope cLocale;
    if (state_->connection != nullptr && state_->query(query)) {
        if (MYSQL_RES* result = state_->storeResult()) {
            // Only the low 32 bits of the count, taken as signed: a count past 2^31 reads no row.
            const auto rows = static_cast<std::int32_t>(
                static_cast<std::uint32_t>(mysql_num_rows(result)));
            for (std::int32_t i = 0; i < rows; ++i) {
                state_->readRow(result);
                mysql_fetch_row(result);
            }
            mysql_free_result(result);
        }
    }

    UpdateNotice notice;
    if (programVersion - state_->latestVersion < newerThreshold) {
        notice.visible = true;
        notice.text = firstLine(state_->noticeText);
        notice.title = "Zendavo" + formatNumber(programVersion) + "（有新的版本" +
                       formatNumber(state_->latestVersion) + "）";
    }
    return notice;
}

double UpdateCheck::latestVersion() const { return state_->latestVersion; }
const std::string& UpdateCheck::noticeText() const { return state_->noticeText; }
const std::string& UpdateCheck::noticeLink() const { return state_->noticeLink; }

}  // namespace zendavo
