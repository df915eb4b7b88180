// Configuration of the device from the environment, for the terminal host:
// VANTELBROOK_DEVICE_STORAGE, VANTELBROOK_DEVICE_CONNECT, VANTELBROOK_DEVICE_LINK.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "device_state.h"

namespace vbdevice {

namespace {

bool ParseUnsigned(const std::string& text, std::uint64_t* value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE) return false;
    *value = parsed;
    return true;
}

std::string Trimmed(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

const char* Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != 0 ? value : nullptr;
}

}  // namespace

bool ParseConnectionModel(const std::string& text, ConnectionModel* model) {
    std::string value = Trimmed(text);
    ConnectionModel parsed;
    if (value == "now") {
        parsed.mode = ConnectMode::Immediate;
    } else if (value == "fail") {
        parsed.mode = ConnectMode::FailSignal;
    } else if (value == "fail-start") {
        parsed.mode = ConnectMode::FailStart;
    } else if (value == "never") {
        parsed.mode = ConnectMode::NeverSignal;
    } else if (value.compare(0, 6, "delay:") == 0) {
        std::uint64_t delay;
        if (!ParseUnsigned(value.substr(6), &delay) || delay > 0x7FFFFFFF) return false;
        parsed.mode = ConnectMode::Delayed;
        parsed.delayMs = static_cast<unsigned>(delay);
    } else {
        return false;
    }
    *model = parsed;
    return true;
}

bool ParseLinkModel(const std::string& text, LinkModel* model) {
    std::string value = Trimmed(text);
    LinkModel parsed;
    if (value == "off") {
        *model = parsed;
        return true;
    }
    std::istringstream parts(value);
    std::string part;
    bool any = false;
    while (std::getline(parts, part, ',')) {
        part = Trimmed(part);
        std::size_t equals = part.find('=');
        if (equals == std::string::npos) return false;
        std::string name = Trimmed(part.substr(0, equals));
        std::uint64_t number;
        if (!ParseUnsigned(Trimmed(part.substr(equals + 1)), &number)) return false;
        if (name == "latency" && number <= 0x7FFFFFFF) {
            parsed.latencyMs = static_cast<unsigned>(number);
        } else if (name == "bandwidth") {
            parsed.bytesPerSecond = number;
        } else {
            return false;
        }
        any = true;
    }
    if (!any) return false;
    *model = parsed;
    return true;
}

void ConfigureFromEnvironmentLocked(State& state) {
    if (const char* storage = Environment("VANTELBROOK_DEVICE_STORAGE")) {
        OpenStorageLocked(state, std::filesystem::u8path(storage));
    }
    if (const char* connect = Environment("VANTELBROOK_DEVICE_CONNECT")) {
        if (!ParseConnectionModel(connect, &state.connectionModel)) {
            std::fprintf(stderr, "vbdevice: VANTELBROOK_DEVICE_CONNECT=\"%s\" not understood "
                                 "(now, delay:<ms>, fail, fail-start, never)\n", connect);
        }
    }
    if (const char* link = Environment("VANTELBROOK_DEVICE_LINK")) {
        if (!ParseLinkModel(link, &state.linkModel)) {
            std::fprintf(stderr, "vbdevice: VANTELBROOK_DEVICE_LINK=\"%s\" not understood "
                                 "(latency=<ms>,bandwidth=<bytes/s> or off)\n", link);
        }
    }
}

}  // namespace vbdevice
