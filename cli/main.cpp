// zendavo-cli: the batch run for scripts and servers.
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "batch/allocator_tuning.h"
#include "cli/cli_messages.h"
#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "cli/image_list.h"
#include "cli/message_language.h"
#include "cli/private_folder.h"
#include "cli/progress_reporter.h"
#include "cli/signal_watch.h"

namespace {

using namespace zendavo;

void printLine(std::FILE* stream, const std::string& line)
{
    std::fprintf(stream, "%s\n", line.c_str());
}

int run(const CliOptions& options)
{
    // Before any other thread, so that every thread inherits the blocked signals.
    const SignalWatch signals;
    const ImageList list = collectImages(options.inputs, options.recursive);
    if (!options.quiet && !list.skipped.empty()) {
        printLine(stderr, skippedLine(list.skipped.size()));
        if (options.verbose)
            for (const std::string& path : list.skipped) printLine(stderr, skippedFileLine(path));
    }
    if (list.images.empty()) {
        std::fputs(tr("zendavo-cli: no images found in the given folders (see --help)\n"), stderr);
        return 2;
    }
    const PrivateFolder work;
    if (work.path().empty()) {
        std::perror(tr("zendavo-cli: cannot create a private work folder"));
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    ProgressReporter reporter(stderr, ::isatty(STDERR_FILENO) == 1);
    const CliRunResult result = runImages(options, list.images, work.path(), reporter, signals.stopRequested());
    reporter.finish();
    for (const CliFailure& failure : result.failures) printLine(stderr, cliFailureLine(failure));
    if (result.slotPictureUnusable) return 1;
    if (result.interrupted) {
        std::fputs(tr("zendavo-cli: interrupted\n"), stderr);
        return 128 + (signals.signal() != 0 ? signals.signal() : SIGINT);
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (!options.quiet)
        printLine(stdout, summaryLine(result.images, options.slots.size(), result.outputsWritten,
                                      result.failures.size(), elapsed.count()));
    return result.failures.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const MessageLanguage language = languageFromEnvironment();
    startMessages(language, localeFolderBesideProgram());
    const ParsedCommandLine parsed = parseCommandLine(argc, argv, language);
    std::fputs(parsed.out.c_str(), stdout);
    std::fputs(parsed.err.c_str(), stderr);
    if (!parsed.options) return parsed.exitCode;
    keepLargeBuffersInTheHeap();
    return run(*parsed.options);
}
