// Converting a 24-megapixel JPEG to its .bmp working copy, and encoding a 24-megapixel BmpBuffer
// to JPEG, each side by side with libjpeg-turbo's tools (djpeg -bmp; cjpeg -quality 75 from a
// PPM); and a 12-megapixel photo whose EXIF says Orientation 6 (turned while its working copy is
// written) side by side with the same photo upright. Every measured run is a fresh process, so peak memory (ru_maxrss) is per run; the
// summary at the end gives the ratios of the medians.
// Run: build/default/bench/formats/formats_bench --benchmark_repetitions=5
//        --benchmark_enable_random_interleaving=true
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "formats/bmp_writer.h"
#include "formats/file_io.h"
#include "formats/image_converter.h"
#include "formats/image_encoder.h"
#include "imaging/bmp_buffer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kTurnedWidth = 4000;  // 12 megapixels
constexpr int kTurnedHeight = 3000;

struct Files {
    explicit Files(const fs::path& in)
        : folder(in),
          jpeg(in / "photo.jpg"),
          bmp(in / "photo.bmp"),
          ppm(in / "photo.ppm"),
          upright(in / "upright.jpg"),
          turned(in / "orientation6.jpg")
    {
    }
    fs::path folder, jpeg, bmp, ppm, upright, turned;
};

// A photo-like picture: broad shading, edges and a little grain, so the codec has real work.
zendavo::BmpBuffer makePhoto(int width, int height)
{
    const auto stride = static_cast<std::size_t>(zendavo::bmpStride(width));
    std::vector<std::uint8_t> bytes(zendavo::kBmpHeaderSize + stride * height, 0);
    zendavo::putBmpHeaders(std::span<std::uint8_t, zendavo::kBmpHeaderSize>(bytes.data(),
                                                                            zendavo::kBmpHeaderSize),
                           width, height);
    std::uint32_t grain = 12345;
    for (int r = 0; r < height; ++r) {
        std::uint8_t* row = bytes.data() + zendavo::kBmpHeaderSize + stride * (height - 1 - r);
        for (int c = 0; c < width; ++c) {
            grain = grain * 1103515245u + 12345u;
            const int noise = static_cast<int>((grain >> 16) & 15) - 8;
            const double shade = 60 * std::sin(c / 97.0) * std::cos(r / 61.0);
            const int edge = ((c / 150 + r / 110) % 2) * 40;
            auto clamp = [](double v) {
                return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
            };
            row[3 * c] = clamp(90 + shade + edge + noise);
            row[3 * c + 1] = clamp(120 + 0.7 * shade + noise + (r * 40) / height);
            row[3 * c + 2] = clamp(150 - shade + edge / 2 + noise + (c * 50) / width);
        }
    }
    return zendavo::BmpBuffer{std::move(bytes)};
}

void writePpm(const zendavo::BmpBuffer& bmp, const fs::path& path)
{
    const zendavo::BmpInfo info = zendavo::readBmpInfo(bmp.bytes);
    std::vector<std::uint8_t> ppm;
    const std::string header =
        "P6\n" + std::to_string(info.width) + " " + std::to_string(info.height) + "\n255\n";
    ppm.assign(header.begin(), header.end());
    ppm.reserve(header.size() + 3 * std::size_t(info.width) * info.height);
    for (int r = 0; r < info.height; ++r) {
        const std::uint8_t* row = bmp.bytes.data() + zendavo::pixelIndex(info, 0, r);
        for (int c = 0; c < info.width; ++c) {
            ppm.push_back(row[3 * c + 2]);
            ppm.push_back(row[3 * c + 1]);
            ppm.push_back(row[3 * c]);
        }
    }
    zendavo::writeFileAtomically(path, ppm);
}

double ownPeakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

struct ProcessRun {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    double maxRssMiB = 0;
    double reportedSeconds = -1;  // wall and CPU time a worker measured around the operation itself
    double reportedCpuSeconds = -1;
    bool ok = false;
};

double cpuSecondsOf(const rusage& usage)
{
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

ProcessRun runProcess(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int out[2];
    ProcessRun run;
    if (pipe(out) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, std::size_t(n));
    close(out[0]);
    if (spawned != 0) return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.cpuSeconds = cpuSecondsOf(usage);
    run.maxRssMiB = usage.ru_maxrss / 1024.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!text.empty())
        std::sscanf(text.c_str(), "%lf %lf", &run.reportedSeconds, &run.reportedCpuSeconds);
    return run;
}

void measure(benchmark::State& state, const std::vector<std::string>& args, bool useReportedTime)
{
    double cpu = 0, rss = 0;
    for (auto _ : state) {
        const ProcessRun run = runProcess(args);
        if (!run.ok) {
            state.SkipWithError("process failed");
            return;
        }
        state.SetIterationTime(useReportedTime ? run.reportedSeconds : run.wallSeconds);
        cpu += useReportedTime ? run.reportedCpuSeconds : run.cpuSeconds;
        rss = std::max(rss, run.maxRssMiB);
    }
    state.counters["cpu_ms"] = 1000 * cpu / double(state.iterations());
    state.counters["maxrss_MiB"] = rss;
}

// Three runs of one process, timed by its wall clock or by what the worker reports.
void registerProcessRun(const char* name, std::vector<std::string> args, bool useReportedTime)
{
    benchmark::RegisterBenchmark(name,
                                 [args = std::move(args), useReportedTime](benchmark::State& s) {
                                     measure(s, args, useReportedTime);
                                 })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
}

// --- Workers: the measured operations, each run in a process of its own ---

int convertWorker(const char* in, const char* out)
{
    return zendavo::convertToBmp(fs::path(in), fs::path(out)) == zendavo::ConvertStatus::Ok ? 0 : 1;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return cpuSecondsOf(usage);
}

// The BmpBuffer is loaded first and only the encoding (to a file) is timed.
int encodeWorker(const char* bmpPath, const char* out)
{
    const std::vector<std::uint8_t> bmp = zendavo::readFile(bmpPath);
    const auto start = Clock::now();
    const double cpuStart = cpuSeconds();
    const int result = zendavo::encodeBmp(bmp, zendavo::EncoderFormat::Jpeg, out);
    std::printf("%.6f %.6f\n", std::chrono::duration<double>(Clock::now() - start).count(),
                cpuSeconds() - cpuStart);
    return result == 1 ? 0 : 1;
}

// --- The summary: ratio of the median of each pair ---

struct Pair {
    const char* ours;
    const char* theirs;
    const char* goal;
};
const Pair kPairs[] = {
    {"ConvertJpegToBmp/zendavo", "ConvertJpegToBmp/djpeg_bmp", "<= 1.15"},
    {"EncodeBmpToJpeg/zendavo", "EncodeBmpToJpeg/cjpeg_q75_ppm", "<= 1.15"},
    {"Convert12MpJpeg/orientation6", "Convert12MpJpeg/upright", "<= 1.15"},
};

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            auto& s = samples_[run.run_name.function_name];
            s.real.push_back(run.GetAdjustedRealTime());
            if (auto it = run.counters.find("cpu_ms"); it != run.counters.end())
                s.cpu.push_back(it->second);
            if (auto it = run.counters.find("maxrss_MiB"); it != run.counters.end())
                s.rss = std::max(s.rss, double(it->second));
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf(
            "\nSide by side, median of the repetitions. Conversion: whole processes, ours and "
            "djpeg's.\n"
            "Encoding: ours timed around encodeBmp (the BmpBuffer already in memory), cjpeg's "
            "whole\n"
            "process (reading its PPM included). Peak memory: each process's ru_maxrss.\n");
        for (const Pair& p : kPairs) {
            if (!samples_.count(p.ours) || !samples_.count(p.theirs)) continue;
            const Samples& a = samples_[p.ours];
            const Samples& b = samples_[p.theirs];
            std::printf(
                "%-28s time %.3f x, cpu %.3f x (goal %s); peak memory %.1f MiB vs %.1f MiB\n",
                p.ours, median(a.real) / median(b.real), median(a.cpu) / median(b.cpu), p.goal,
                a.rss, b.rss);
        }
    }

private:
    struct Samples {
        std::vector<double> real, cpu;
        double rss = 0;
    };
    static double median(std::vector<double> v)
    {
        if (v.empty()) return NAN;
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    }
    std::map<std::string, Samples> samples_;
};

// Same pixels as djpeg and same bytes as cjpeg: a check worth printing once.
void compareOutputs(const fs::path& folder)
{
    const auto ours = zendavo::readFile(folder / "ours.bmp");
    const auto djpeg = zendavo::readFile(folder / "djpeg.bmp");
    const bool samePixels = ours.size() == djpeg.size() && ours.size() > 54 &&
                            std::equal(ours.begin() + 54, ours.end(), djpeg.begin() + 54);
    const auto oursJpeg = zendavo::readFile(folder / "ours.jpg");
    const auto cjpeg = zendavo::readFile(folder / "cjpeg.jpg");
    std::printf("working copy pixels identical to djpeg -bmp: %s\n", samePixels ? "yes" : "NO");
    std::printf("JPEG bytes identical to cjpeg -quality 75: %s\n",
                oursJpeg == cjpeg && !cjpeg.empty() ? "yes" : "NO");
}

// The same JPEG with an APP1 EXIF block right after SOI: big-endian TIFF, IFD0 holding only
// Orientation (0x0112, SHORT) = 6.
std::vector<std::uint8_t> withOrientation6(const std::vector<std::uint8_t>& jpeg)
{
    const std::vector<std::uint8_t> app1 = {
        0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0,                      // marker, length
        'M',  'M',  0x00, 0x2A, 0x00, 0x00, 0x00, 0x08,                         // TIFF header
        0x00, 0x01, 0x01, 0x12, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x06, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00};  // one entry, then no next IFD
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), app1.begin(), app1.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

// Run in a worker of its own, so the measuring process never holds a large picture: a spawned
// child's peak memory counts what its parent had resident before the exec.
int setUpWorker(const char* folder)
{
    const Files files(folder);
    {
        const zendavo::BmpBuffer photo = makePhoto(kTurnedWidth, kTurnedHeight);
        std::vector<std::uint8_t> jpeg;
        if (zendavo::encodeBmp(photo.bytes, zendavo::EncoderFormat::Jpeg, files.upright.string(),
                               &jpeg, 92) != 1)
            return 1;
        zendavo::writeFileAtomically(files.turned, withOrientation6(jpeg));
    }
    const zendavo::BmpBuffer photo = makePhoto(kWidth, kHeight);
    zendavo::writeFileAtomically(files.bmp, photo.bytes);
    writePpm(photo, files.ppm);
    return zendavo::encodeBmp(photo.bytes, zendavo::EncoderFormat::Jpeg, files.jpeg.string(),
                              nullptr, 92) == 1
               ? 0
               : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--worker-convert")
        return convertWorker(argv[2], argv[3]);
    if (argc == 4 && std::string(argv[1]) == "--worker-encode")
        return encodeWorker(argv[2], argv[3]);
    if (argc == 3 && std::string(argv[1]) == "--worker-setup") return setUpWorker(argv[2]);
    const std::string self = fs::canonical("/proc/self/exe").string();
    char pattern[] = "/tmp/zendavo-formats-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const Files files(pattern);
    const std::string dir = files.folder.string();
    if (!runProcess({self, "--worker-setup", dir}).ok) return 1;
    std::printf(
        "fixture: %d x %d, JPEG %.1f MB (baseline, 4:2:0, quality 92); this process peaks at %.1f "
        "MiB\n",
        kWidth, kHeight, fs::file_size(files.jpeg) / 1e6, ownPeakMiB());

    registerProcessRun("ConvertJpegToBmp/zendavo",
                       {self, "--worker-convert", files.jpeg.string(), dir + "/ours.bmp"}, false);
    registerProcessRun("ConvertJpegToBmp/djpeg_bmp",
                       {"djpeg", "-bmp", "-outfile", dir + "/djpeg.bmp", files.jpeg.string()},
                       false);
    registerProcessRun("Convert12MpJpeg/upright",
                       {self, "--worker-convert", files.upright.string(), dir + "/upright.bmp"},
                       false);
    registerProcessRun("Convert12MpJpeg/orientation6",
                       {self, "--worker-convert", files.turned.string(), dir + "/turned.bmp"},
                       false);
    registerProcessRun("EncodeBmpToJpeg/zendavo",
                       {self, "--worker-encode", files.bmp.string(), dir + "/ours.jpg"}, true);
    registerProcessRun(
        "EncodeBmpToJpeg/cjpeg_q75_ppm",
        {"cjpeg", "-quality", "75", "-outfile", dir + "/cjpeg.jpg", files.ppm.string()}, false);

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    compareOutputs(files.folder);
    fs::remove_all(files.folder);
    return 0;
}
