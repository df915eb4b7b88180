// Copies files of 1 KB, 1 MB, 100 MB and 1 GiB through CopyFileJob between
// the emulated device and the local disk, both ways, inline and behind the
// emulated host's progress dialog, and times `cp` of the same file on the
// same disk in the same run. Prints throughputs, their ratios, the cost of
// the dialog, and the memory the copy took beyond what the process held.
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "device_control.h"
#include "host.h"
#include "panel/panel_instance.h"
#include "plugin/lifecycle.h"
#include "transfer/copy_buffer.h"
#include "transfer/copy_engine.h"
#include "vbplatform_testing.h"
#include "violations.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Every copy starts from the same state of the page cache's dirty pages.
void Settle() { sync(); }

void WriteSource(const fs::path& path, uint64_t size) {
    std::vector<char> block(1 << 20);
    uint32_t state = 12345;
    for (char& c : block) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (uint64_t written = 0; written < size;) {
        size_t chunk = static_cast<size_t>(std::min<uint64_t>(block.size(), size - written));
        out.write(block.data(), static_cast<std::streamsize>(chunk));
        written += chunk;
    }
}

double TimeCp(const fs::path& source, const fs::path& target) {
    std::error_code error;
    fs::remove(target, error);
    Settle();
    std::string from = source.string(), to = target.string();
    char cp[] = "cp";
    char* argv[] = {cp, from.data(), to.data(), nullptr};
    auto start = Clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, "cp", nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    waitpid(child, &status, 0);
    double elapsed = Seconds(Clock::now() - start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed : -1;
}

long StatusKilobytes(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    size_t length = std::strlen(field);
    while (std::getline(in, line))
        if (line.compare(0, length, field) == 0) return std::stol(line.substr(length));
    return -1;
}

// Hands freed memory back to the system, so that a copy's buffer shows in
// the resident size, and resets the peak resident size to the present one.
void ResetPeakMemory() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Measured {
    double seconds = -1;
    long extraKilobytes = 0;  // peak resident size during the copy beyond the size before it
    bool ok = false;
};

class Bench {
public:
    Bench(vbhost::Host& host, fs::path storage, fs::path local)
        : host_(host), storage_(std::move(storage)), local_(std::move(local)) {}

    // Opens both files as download and upload do, wraps them, copies, and
    // destroys the endpoints: all inside the timed part, as cp opens and
    // closes its files too.
    // With `memory`, the heap first hands its free memory back, so that the
    // buffer shows in the resident size; that also makes the copy fault its
    // buffer in afresh, so such a run is not timed.
    Measured Ours(bool upload, bool dialog, uint64_t size, bool memory = false) {
        fs::path localFile = local_ / (upload ? "source.bin" : "down.bin");
        fs::path deviceFile = storage_ / (upload ? "up.bin" : "bench.bin");
        std::error_code error;
        fs::remove(upload ? deviceFile : localFile, error);
        Settle();
        const WCHAR* devicePath = upload ? VB_WTEXT("\\up.bin") : VB_WTEXT("\\bench.bin");
        std::string localPath = localFile.string();
        if (dialog) host_.Script().OnDialog([](vbhost::RunningDialog&) {});
        long before = 0;
        if (memory) {
            ResetPeakMemory();
            before = StatusKilobytes("VmRSS:");
        }

        auto start = Clock::now();
        CopyJob job;
        job.Upload = upload ? 1 : 0;
        std::strncpy(job.SourcePath, upload ? localPath.c_str() : "\\bench.bin", CopyJobPathSize - 1);
        std::strncpy(job.TargetPath, upload ? "\\up.bin" : localPath.c_str(), CopyJobPathSize - 1);
        if (upload) {
            HANDLE from = CreateFileA(localPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            HANDLE to = CeCreateFile(devicePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
            job.Source = new LocalFile(from, localPath.c_str());
            job.Target = new DeviceFile(to, devicePath);
        } else {
            HANDLE from = CeCreateFile(devicePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
            HANDLE to = CreateFileA(localPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
            job.Source = new DeviceFile(from, devicePath);
            job.Target = new LocalFile(to, localPath.c_str());
        }
        PanelInstance panel;
        std::memset(&panel, 0, sizeof panel);
        CopyFileJob(panel, job, dialog ? 0 : OPM_SILENT);
        delete job.Source;
        delete job.Target;
        Measured measured;
        measured.seconds = Seconds(Clock::now() - start);

        if (memory) measured.extraKilobytes = StatusKilobytes("VmHWM:") - before;
        measured.ok = !job.Failed.load() && !job.Aborted.load() &&
                      fs::file_size(upload ? deviceFile : localFile) == size;
        return measured;
    }

    double Cp(bool upload) {
        if (upload) return TimeCp(local_ / "source.bin", storage_ / "up.bin");
        return TimeCp(storage_ / "bench.bin", local_ / "down.bin");
    }

private:
    vbhost::Host& host_;
    fs::path storage_, local_;
};

struct SizeRun {
    const char* name;
    uint64_t size;
    int repeats;
};

double Best(double a, double b) { return a < 0 ? b : (b < 0 ? a : std::min(a, b)); }

}  // namespace

int main(int argc, char** argv) {
    std::string module = argc > 1 ? argv[1] : VB_MODULE_FILE;
    fs::path work = fs::temp_directory_path() / ("vb-copy-bench-" + std::to_string(getpid()));
    fs::path storage = work / "device", local = work / "local";
    fs::create_directories(storage);
    fs::create_directories(local);
    vbplatform::SetRegistryPath((work / "registry.reg").string());
    vbdevice::SetStorageFolder(storage);
    vbdevice::Reset();

    vbhost::HostOptions options;
    options.modulePath = module;
    vbhost::Host host(options);
    if (!host.Load()) {
        std::fprintf(stderr, "%s\n", host.Error().c_str());
        return 1;
    }
    host.Start();
    // The module's objects in this program take the host's record.
    StartModule(host.StartupRecord());
    RAPIINIT init;
    std::memset(&init, 0, sizeof init);
    init.cbSize = sizeof init;
    if (CeRapiInitEx(&init) != S_OK || !vbdevice::IsLinkUp()) {
        std::fprintf(stderr, "the emulated device's link did not come up\n");
        return 1;
    }

    const SizeRun sizes[] = {{"1 KB", 1000, 50},
                             {"1 MB", 1000000, 20},
                             {"100 MB", 100000000, 9},
                             {"1 GiB", uint64_t{1} << 30, 5}};
    std::printf("buffer ceiling: %u bytes (settings of this run)\n", CopyBufferLimit());
    std::printf("%-7s %-9s %11s %11s %11s %8s %8s %8s %10s %10s\n", "size", "direction", "inline MB/s",
                "dialog MB/s", "cp MB/s", "inl/cp", "dlg/cp", "dialog", "buffer KB", "peak+ KB");
    Bench bench(host, storage, local);
    bool allOk = true;
    for (const SizeRun& run : sizes) {
        WriteSource(storage / "bench.bin", run.size);
        WriteSource(local / "source.bin", run.size);
        for (bool upload : {false, true}) {
            double inlineBest = -1, dialogBest = -1, cpBest = -1;
            Measured inlineMemory = bench.Ours(upload, false, run.size, true);
            Measured dialogMemory = bench.Ours(upload, true, run.size, true);
            allOk = allOk && inlineMemory.ok && dialogMemory.ok;
            for (int i = 0; i < run.repeats; ++i) {
                cpBest = Best(cpBest, bench.Cp(upload));
                // Alternated, so that neither mode always runs right after cp.
                Measured inl, dlg;
                if (i % 2 == 0) {
                    inl = bench.Ours(upload, false, run.size);
                    dlg = bench.Ours(upload, true, run.size);
                } else {
                    dlg = bench.Ours(upload, true, run.size);
                    inl = bench.Ours(upload, false, run.size);
                }
                allOk = allOk && inl.ok && dlg.ok;
                inlineBest = Best(inlineBest, inl.seconds);
                dialogBest = Best(dialogBest, dlg.seconds);
            }
            double megabytes = static_cast<double>(run.size) / 1e6;
            uint32_t buffer = CopyBufferSize(static_cast<uint32_t>(run.size), CopyBufferLimit());
            std::printf("%-7s %-9s %11.1f %11.1f %11.1f %7.1f%% %7.1f%% %+7.1f%% %10u %10ld\n", run.name,
                        upload ? "upload" : "download", megabytes / inlineBest, megabytes / dialogBest,
                        megabytes / cpBest, 100 * cpBest / inlineBest, 100 * cpBest / dialogBest,
                        100 * (dialogBest - inlineBest) / inlineBest, buffer / 1024,
                        std::max(inlineMemory.extraKilobytes, dialogMemory.extraKilobytes));
            std::fflush(stdout);
        }
    }
    std::printf("ratios: cp's time over ours (100%% = as fast as cp); dialog: its extra time over inline\n");
    std::printf("peak+: the larger rise of the resident size during one inline and one dialog copy\n");

    for (const std::string& violation : vbhost::TakeViolations())
        std::printf("host violation: %s\n", violation.c_str());
    if (!allOk) std::printf("A COPY FAILED OR CAME OUT SHORT\n");
    CeRapiUninit();
    std::error_code error;
    fs::remove_all(work, error);
    return allOk ? 0 : 1;
}
