// OutputDebugStringA/W: an in-process sink that tests read, and the file
// named by VANTELBROOK_TRACE when that is set.
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "unicode_text.h"
#include "vbplatform_testing.h"
#include "vbwin32.h"

namespace {

struct TraceSink {
    std::mutex mutex;
    std::vector<std::string> entries;
};

TraceSink& Sink() {
    static TraceSink* sink = new TraceSink;  // usable from static destructors too
    return *sink;
}

void AppendToTraceFile(const std::string& text) {
    const char* path = std::getenv("VANTELBROOK_TRACE");
    if (path == nullptr || *path == '\0') return;
    if (std::FILE* file = std::fopen(path, "ab")) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
}

void Trace(std::string text) {
    TraceSink& sink = Sink();
    std::lock_guard<std::mutex> lock(sink.mutex);
    AppendToTraceFile(text);
    sink.entries.push_back(std::move(text));
}

}  // namespace

extern "C" void OutputDebugStringA(LPCSTR text) {
    if (text != nullptr) Trace(text);
}

extern "C" void OutputDebugStringW(LPCWSTR text) {
    if (text != nullptr) Trace(vbplatform::detail::Utf16ToUtf8(text));
}

namespace vbplatform {

std::vector<std::string> TakeTrace() {
    TraceSink& sink = Sink();
    std::lock_guard<std::mutex> lock(sink.mutex);
    std::vector<std::string> taken;
    taken.swap(sink.entries);
    return taken;
}

void ClearTrace() { TakeTrace(); }

}  // namespace vbplatform
