// zendavo-cli: the batch run for scripts and servers.
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "batch/allocator_tuning.h"
#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "cli/image_list.h"
#include "cli/private_folder.h"
#include "cli/progress_reporter.h"
#include "cli/signal_watch.h"

namespace {

using namespace zendavo;

void printSummary(const CliRunResult& result, std::size_t slots, double seconds)
{
    std::printf("zendavo-cli: %d image%s x %zu slot%s: %d written, %zu failed in %.1f s\n",
                result.images, result.images == 1 ? "" : "s", slots, slots == 1 ? "" : "s",
                result.outputsWritten, result.failures.size(), seconds);
}

int run(const CliOptions& options)
{
    // Before any other thread, so that every thread inherits the blocked signals.
    const SignalWatch signals;
    const std::vector<std::string> images = collectImages(options.inputs);
    if (images.empty()) {
        std::fputs("zendavo-cli: no images found in the given folders (see --help)\n", stderr);
        return 2;
    }
    const PrivateFolder work;
    if (work.path().empty()) {
        std::perror("zendavo-cli: cannot create a private work folder");
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    ProgressReporter reporter(stderr, ::isatty(STDERR_FILENO) == 1);
    const CliRunResult result = runImages(options, images, work.path(), reporter, signals.stopRequested());
    reporter.finish();
    for (const CliFailure& failure : result.failures)
        std::fprintf(stderr, "%s\n", cliFailureLine(failure).c_str());
    if (result.interrupted) {
        std::fputs("zendavo-cli: interrupted\n", stderr);
        return 128 + (signals.signal() != 0 ? signals.signal() : SIGINT);
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (!options.quiet) printSummary(result, options.slots.size(), elapsed.count());
    return result.failures.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const ParsedCommandLine parsed = parseCommandLine(argc, argv);
    std::fputs(parsed.out.c_str(), stdout);
    std::fputs(parsed.err.c_str(), stderr);
    if (!parsed.options) return parsed.exitCode;
    keepLargeBuffersInTheHeap();
    return run(*parsed.options);
}
