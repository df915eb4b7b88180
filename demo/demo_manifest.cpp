#include "demo_manifest.h"

#include <sstream>

namespace vbdemo {

namespace {

bool AttributeOf(const std::string& name, std::uint32_t& value) {
    static const struct {
        const char* name;
        std::uint32_t value;
    } known[] = {{"readonly", 0x1}, {"hidden", 0x2}, {"system", 0x4}, {"temporary", 0x100},
                 {"inrom", 0x40}, {"rommodule", 0x2000}};
    for (const auto& entry : known) {
        if (name == entry.name) {
            value = entry.value;
            return true;
        }
    }
    return false;
}

bool ParseAttributes(const std::string& text, std::uint32_t& attributes) {
    attributes = 0;
    std::istringstream parts(text);
    std::string part;
    while (std::getline(parts, part, '|')) {
        std::uint32_t value = 0;
        if (!AttributeOf(part, value)) return false;
        attributes |= value;
    }
    return attributes != 0;
}

// The device path is the rest of the line: it may hold spaces.
std::string RestOfLine(std::istringstream& in) {
    std::string rest;
    std::getline(in, rest);
    size_t start = rest.find_first_not_of(" \t");
    if (start == std::string::npos) return std::string();
    rest = rest.substr(start);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r')) rest.pop_back();
    return rest;
}

}  // namespace

bool ParseManifest(const std::string& text, Manifest& manifest, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos || line[start] == '#') continue;
        std::istringstream in(line.substr(start));
        std::string word;
        in >> word;
        if (word == "generate") {
            GeneratedFile file;
            if (!(in >> file.size)) {
                error = "line " + std::to_string(number) + ": generate needs a size";
                return false;
            }
            file.devicePath = RestOfLine(in);
            if (file.devicePath.empty() || file.devicePath[0] != '\\') {
                error = "line " + std::to_string(number) + ": a device path starts with a backslash";
                return false;
            }
            manifest.generated.push_back(file);
            continue;
        }
        AttributeLine entry;
        if (!ParseAttributes(word, entry.attributes)) {
            error = "line " + std::to_string(number) + ": unknown attribute in " + word;
            return false;
        }
        entry.devicePath = RestOfLine(in);
        if (entry.devicePath.empty() || entry.devicePath[0] != '\\') {
            error = "line " + std::to_string(number) + ": a device path starts with a backslash";
            return false;
        }
        manifest.attributes.push_back(entry);
    }
    return true;
}

std::u16string DeviceText(const std::string& utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char lead = static_cast<unsigned char>(utf8[i]);
        unsigned code = lead;
        size_t length = 1;
        if (lead >= 0xF0) { code = lead & 0x07; length = 4; }
        else if (lead >= 0xE0) { code = lead & 0x0F; length = 3; }
        else if (lead >= 0xC0) { code = lead & 0x1F; length = 2; }
        for (size_t j = 1; j < length && i + j < utf8.size(); ++j)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + j]) & 0x3F);
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

}  // namespace vbdemo
