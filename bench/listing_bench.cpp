// Lists device directories of 1,000, 10,000 and 100,000 entries through the
// module's GetFindData, and beside it the same storage folder read with the
// system's own directory reading (names and sizes), in the same run.
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "device_control.h"
#include "host.h"
#include "vbplatform_testing.h"

namespace fs = std::filesystem;

namespace {

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void MakeEntries(const fs::path& folder, int count) {
    fs::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        std::ofstream out(folder / ("entry-" + std::to_string(i) + ".dat"));
        out << i;
    }
}

// The baseline: every name and size of the folder, as a plain program would.
double PlainListing(const fs::path& folder, size_t* found) {
    auto start = std::chrono::steady_clock::now();
    DIR* dir = opendir(folder.c_str());
    size_t entries = 0;
    unsigned long long bytes = 0;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        struct stat info;
        if (fstatat(dirfd(dir), entry->d_name, &info, 0) == 0) bytes += static_cast<unsigned long long>(info.st_size);
        ++entries;
    }
    closedir(dir);
    *found = entries;
    (void)bytes;
    return Seconds(std::chrono::steady_clock::now() - start);
}

long PeakKilobytes() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: listing_bench <module file>\n");
        return 2;
    }
    fs::path work = fs::temp_directory_path() / ("vb-listing-bench-" + std::to_string(getpid()));
    fs::create_directories(work);
    vbplatform::SetRegistryPath((work / "registry.reg").string());
    vbdevice::SetStorageFolder(work / "device");
    vbdevice::Reset();

    vbhost::HostOptions options;
    options.modulePath = argv[1];
    vbhost::Host host(options);
    if (!host.Load()) {
        std::fprintf(stderr, "%s\n", host.Error().c_str());
        return 1;
    }
    host.Start();
    host.SetLocalPanel(0, work.string());
    host.SetLocalPanel(1, work.string());
    if (!host.OpenFromDiskMenu()) {
        std::fprintf(stderr, "the device panel did not open\n");
        return 1;
    }
    HANDLE panel = host.Active().handle;

    std::printf("%10s %12s %12s %8s %14s\n", "entries", "module (s)", "plain (s)", "ratio", "peak RSS (KB)");
    for (int count : {1000, 10000, 100000}) {
        std::string name = "d" + std::to_string(count);
        MakeEntries(work / "device" / name, count);
        host.Module().SetDirectory(panel, name.c_str(), 0);

        double best = 1e9, plainBest = 1e9;
        int listed = 0;
        size_t plainFound = 0;
        for (int round = 0; round < 3; ++round) {
            vbdevice::ResetCallCounts();
            auto start = std::chrono::steady_clock::now();
            PluginPanelItem* items = nullptr;
            int itemCount = 0;
            host.Module().GetFindData(panel, &items, &itemCount, 0);
            host.Module().FreeFindData(panel, items, itemCount);
            best = std::min(best, Seconds(std::chrono::steady_clock::now() - start));
            listed = itemCount;
            if (vbdevice::CallCount(vbdevice::Operation::CeFindAllFiles) != 1)
                std::fprintf(stderr, "more than one device call for one listing\n");
            plainBest = std::min(plainBest, PlainListing(work / "device" / name, &plainFound));
        }
        double deviceBest = 1e9;
        std::basic_string<WCHAR> pattern;
        for (char c : "\\" + name + "\\*.*") pattern.push_back(static_cast<WCHAR>(c));
        for (int round = 0; round < 3; ++round) {
            auto start = std::chrono::steady_clock::now();
            DWORD found = 0;
            CE_FIND_DATA* entries = nullptr;
            CeFindAllFiles(pattern.c_str(), 0xBF, &found, &entries);
            CeRapiFreeBuffer(entries);
            deviceBest = std::min(deviceBest, Seconds(std::chrono::steady_clock::now() - start));
        }
        std::printf("%10s device call alone: %.4f s\n", "", deviceBest);
        if (listed != count || static_cast<int>(plainFound) != count)
            std::fprintf(stderr, "listed %d and %zu of %d entries\n", listed, plainFound, count);
        std::printf("%10d %12.4f %12.4f %8.2f %14ld\n", count, best, plainBest, best / plainBest, PeakKilobytes());
        host.Module().SetDirectory(panel, "..", OPM_FIND);
    }
    host.ClosePluginPanel();
    fs::remove_all(work);
    return 0;
}
