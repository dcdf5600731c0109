// Runs the built zendavo-cli as a child process with its output captured in files.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/batch/batch_fixture.h"

namespace zendavo::testing {

// How the child starts: environment variables set (an empty value unsets it) on top of a
// locale-free environment, and a command it runs under (e.g. setpriv).
struct CliLaunch {
    std::vector<std::pair<std::string, std::string>> env;
    std::vector<std::string> prefix;
};

struct CliOutcome {
    int exitCode = -1;  // 128 + signal when killed by one
    std::string out;
    std::string err;
};

class CliProcess {
public:
    // Starts zendavo-cli with `args` in `folder`, TMPDIR set to `tmp`.
    CliProcess(const std::vector<std::string>& args, const std::filesystem::path& folder,
               const std::filesystem::path& tmp, const CliLaunch& launch = {})
        : outPath_(tmp / ".cli-out"), errPath_(tmp / ".cli-err")
    {
        std::vector<std::string> argv = launch.prefix;
        argv.push_back(ZENDAVO_CLI_EXE);
        argv.insert(argv.end(), args.begin(), args.end());
        pid_ = ::fork();
        if (pid_ != 0) return;
        ::setenv("TMPDIR", tmp.c_str(), 1);
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"}) ::unsetenv(name);
        for (const auto& [name, value] : launch.env) {
            if (value.empty())
                ::unsetenv(name.c_str());
            else
                ::setenv(name.c_str(), value.c_str(), 1);
        }
        if (::chdir(folder.c_str()) != 0) ::_exit(120);
        redirect(outPath_, STDOUT_FILENO);
        redirect(errPath_, STDERR_FILENO);
        std::vector<char*> raw;
        for (std::string& a : argv) raw.push_back(a.data());
        raw.push_back(nullptr);
        ::execvp(raw[0], raw.data());
        ::_exit(121);
    }

    pid_t pid() const { return pid_; }

    CliOutcome wait()
    {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        CliOutcome outcome;
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        outcome.out = slurp(outPath_);
        outcome.err = slurp(errPath_);
        std::filesystem::remove(outPath_);
        std::filesystem::remove(errPath_);
        return outcome;
    }

private:
    static void redirect(const std::filesystem::path& path, int fd)
    {
        const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (file < 0 || ::dup2(file, fd) < 0) ::_exit(122);
        ::close(file);
    }

    static std::string slurp(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::filesystem::path outPath_;
    std::filesystem::path errPath_;
    pid_t pid_ = -1;
};

inline CliOutcome runCli(const std::vector<std::string>& args, const std::filesystem::path& folder,
                         const std::filesystem::path& tmp, const CliLaunch& launch = {})
{
    CliProcess process(args, folder, tmp, launch);
    return process.wait();
}

// A folder of the test's own, holding "w/logo.png" and the child's TMPDIR "tmp"; run() starts
// zendavo-cli in it.
class CliFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(root.path().empty());
        fs::create_directories(tmp);
        writePicture(root / "w" / "logo.png", kGrey, 16, 8);
    }

    CliOutcome run(const std::vector<std::string>& args, const CliLaunch& launch = {})
    {
        return runCli(args, root.path(), tmp, launch);
    }

    TempFolder root;
    fs::path tmp = root / "tmp";
};

}  // namespace zendavo::testing
