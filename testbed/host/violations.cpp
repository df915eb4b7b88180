#include "violations.h"

#include <mutex>

namespace vbhost {

static std::mutex g_violationsLock;
static std::vector<std::string> g_violations;

void ReportViolation(const std::string& what) {
    std::lock_guard<std::mutex> lock(g_violationsLock);
    g_violations.push_back(what);
}

std::vector<std::string> TakeViolations() {
    std::lock_guard<std::mutex> lock(g_violationsLock);
    std::vector<std::string> taken;
    taken.swap(g_violations);
    return taken;
}

}  // namespace vbhost
