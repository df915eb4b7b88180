// The demo device's manifest (demo/manifest.txt): what the shipped folder
// cannot carry itself, the device attributes of some entries and the large
// files made on the first run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vbdemo {

struct AttributeLine {
    std::uint32_t attributes = 0;
    std::string devicePath;  // UTF-8, "\My Documents\Contract.txt"
};

struct GeneratedFile {
    std::uint64_t size = 0;
    std::string devicePath;
};

struct Manifest {
    std::vector<GeneratedFile> generated;
    std::vector<AttributeLine> attributes;
};

// Lines: "generate <bytes> <device path>" or "<attribute>[|<attribute>...]
// <device path>" with the attributes readonly, hidden, system, temporary,
// inrom, rommodule; '#' starts a comment. False with `error` set at the
// first line it cannot read.
bool ParseManifest(const std::string& text, Manifest& manifest, std::string& error);

// UTF-8 to the device's UTF-16.
std::u16string DeviceText(const std::string& utf8);

}  // namespace vbdemo
