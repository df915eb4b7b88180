#include "open_files.h"

#include <map>
#include <utility>
#include <vector>

namespace vbplatform::detail {
namespace {

struct Opener {
    std::uint64_t ticket;
    DWORD access;
    DWORD share;
};

using Key = std::pair<dev_t, ino_t>;

struct OpenFiles {
    std::mutex mutex;
    std::map<Key, std::vector<Opener>> openers;
    std::uint64_t nextTicket = 1;
    std::mutex timesMutex;
    std::map<Key, FILETIME> creationTimes;
};

OpenFiles& State() {
    static OpenFiles* state = new OpenFiles;
    return *state;
}

Key KeyOf(FileId file) { return {file.device, file.inode}; }

// A handle without data access (attributes only) neither restricts others
// nor is restricted, as in Windows' share check.
bool HasDataAccess(DWORD access) { return (access & (GENERIC_READ | GENERIC_WRITE)) != 0; }

// Each side's access must be allowed by the other side's share mode.
bool Compatible(const Opener& open, DWORD access, DWORD share) {
    if (!HasDataAccess(access) || !HasDataAccess(open.access)) return true;
    auto denies = [](DWORD wanted, DWORD allowed) {
        return ((wanted & GENERIC_READ) && !(allowed & FILE_SHARE_READ)) ||
               ((wanted & GENERIC_WRITE) && !(allowed & FILE_SHARE_WRITE));
    };
    return !denies(access, open.share) && !denies(open.access, share);
}

}  // namespace

std::mutex& OpenFilesMutex() { return State().mutex; }

bool TryAddOpener(FileId file, DWORD access, DWORD share, std::uint64_t* ticket) {
    OpenFiles& state = State();
    std::vector<Opener>& openers = state.openers[KeyOf(file)];
    for (const Opener& open : openers) {
        if (!Compatible(open, access, share)) return false;
    }
    *ticket = state.nextTicket++;
    openers.push_back({*ticket, access, share});
    return true;
}

void RemoveOpener(FileId file, std::uint64_t ticket) {
    OpenFiles& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    auto found = state.openers.find(KeyOf(file));
    if (found == state.openers.end()) return;
    std::vector<Opener>& openers = found->second;
    for (auto it = openers.begin(); it != openers.end(); ++it) {
        if (it->ticket == ticket) {
            openers.erase(it);
            break;
        }
    }
    if (openers.empty()) state.openers.erase(found);
}

bool DeleteAllowed(FileId file) {
    OpenFiles& state = State();
    auto found = state.openers.find(KeyOf(file));
    if (found == state.openers.end()) return true;
    for (const Opener& open : found->second) {
        if (HasDataAccess(open.access) && !(open.share & FILE_SHARE_DELETE)) return false;
    }
    return true;
}

bool KeptCreationTime(FileId file, FILETIME* time) {
    OpenFiles& state = State();
    std::lock_guard<std::mutex> lock(state.timesMutex);
    auto found = state.creationTimes.find(KeyOf(file));
    if (found == state.creationTimes.end()) return false;
    *time = found->second;
    return true;
}

void KeepCreationTime(FileId file, const FILETIME& time) {
    OpenFiles& state = State();
    std::lock_guard<std::mutex> lock(state.timesMutex);
    state.creationTimes[KeyOf(file)] = time;
}

void ForgetCreationTime(FileId file) {
    OpenFiles& state = State();
    std::lock_guard<std::mutex> lock(state.timesMutex);
    state.creationTimes.erase(KeyOf(file));
}

}  // namespace vbplatform::detail
