// What zendavo-cli prints while it runs: size warnings always, and a progress bar (images
// done, rate, time left) only when standard error is a terminal.
#pragma once

#include <chrono>
#include <cstdio>

#include "cli/cli_run.h"

namespace zendavo {

class ProgressReporter : public CliReporter {
public:
    ProgressReporter(std::FILE* stream, bool showBar);

    void sizeWarning(const std::string& imagePath) override;
    void decodeWarning(const std::string& imagePath, DecodeWarning warning) override;
    void imageDone(int done, int total) override;
    // Clears the bar so that what follows starts on a clean line.
    void finish();

private:
    void clearBar();
    void warn(const std::string& line);

    std::FILE* stream_;
    bool showBar_;
    bool barShown_ = false;
    int lastDone_ = 0;
    int lastTotal_ = 0;
    std::chrono::steady_clock::time_point start_;
};

// "[#########           ]  9/20  2.4 img/s  0:05 left".
std::string progressBarText(int done, int total, double seconds);

}  // namespace zendavo
