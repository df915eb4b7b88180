// vbdemo: makes the working copy of the demo device. The shipped folder is
// copied once, so that it never changes; the manifest's large files are
// made where they are missing, and its device attributes are set through
// the device itself when the copy is new.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "demo_manifest.h"
#include "device_control.h"

namespace fs = std::filesystem;

namespace {

void Usage() {
    std::fprintf(stderr,
                 "usage: vbdemo <demo folder> <working device folder> [--generated-size BYTES]\n"
                 "  <demo folder> holds device/ (the shipped storage) and manifest.txt;\n"
                 "  --generated-size makes every generated file this large instead (tests)\n");
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

fs::path DiskPath(const fs::path& storage, const std::string& devicePath) {
    std::string relative = devicePath.substr(1);
    for (char& c : relative)
        if (c == '\\') c = '/';
    return storage / fs::u8path(relative);
}

// The same bytes on every run, so that a copy can be compared with them.
bool Generate(const fs::path& path, std::uint64_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    std::vector<char> block(1 << 20);
    for (std::uint64_t written = 0; written < size;) {
        for (size_t i = 0; i < block.size(); i += 8) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            for (size_t j = 0; j < 8; ++j) block[i + j] = static_cast<char>(state >> (8 * j));
        }
        std::uint64_t part = std::min<std::uint64_t>(block.size(), size - written);
        out.write(block.data(), static_cast<std::streamsize>(part));
        written += part;
    }
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        Usage();
        return 2;
    }
    fs::path demo = argv[1];
    fs::path storage = argv[2];
    long long generatedSize = -1;
    if (argc == 5) {
        if (std::string(argv[3]) != "--generated-size") {
            Usage();
            return 2;
        }
        generatedSize = std::atoll(argv[4]);
    }
    vbdemo::Manifest manifest;
    std::string error;
    if (!vbdemo::ParseManifest(ReadFile(demo / "manifest.txt"), manifest, error)) {
        std::fprintf(stderr, "vbdemo: %s: %s\n", (demo / "manifest.txt").c_str(), error.c_str());
        return 1;
    }
    std::error_code failure;
    bool fresh = !fs::exists(storage, failure);
    if (fresh) {
        fs::create_directories(storage.parent_path(), failure);
        fs::copy(demo / "device", storage, fs::copy_options::recursive, failure);
        if (failure) {
            std::fprintf(stderr, "vbdemo: cannot copy %s: %s\n", (demo / "device").c_str(), failure.message().c_str());
            return 1;
        }
        std::printf("vbdemo: the demo device is copied to %s\n", storage.c_str());
    }
    for (const vbdemo::GeneratedFile& file : manifest.generated) {
        fs::path path = DiskPath(storage, file.devicePath);
        std::uint64_t size = generatedSize >= 0 ? static_cast<std::uint64_t>(generatedSize) : file.size;
        if (fs::exists(path, failure)) continue;
        if (!Generate(path, size)) {
            std::fprintf(stderr, "vbdemo: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("vbdemo: made %s (%llu bytes)\n", file.devicePath.c_str(), static_cast<unsigned long long>(size));
    }
    if (!fresh) return 0;
    // Attributes the disk cannot hold live in the device's own metadata.
    vbdevice::SetStorageFolder(storage);
    for (const vbdemo::AttributeLine& line : manifest.attributes) {
        std::u16string path = vbdemo::DeviceText(line.devicePath);
        if (!vbdevice::SetEntryAttributes(path.c_str(), line.attributes)) {
            std::fprintf(stderr, "vbdemo: no entry %s on the device\n", line.devicePath.c_str());
            return 1;
        }
    }
    return 0;
}
