// Ticks, sleeping, memory figures, thread and process identity, thread start.
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>
#include <new>

#include "vbwin32.h"

namespace {

// On Windows the requested size is only the first commit: every thread
// reserves the program's default stack. The same here: a request below the
// default thread stack (and at least 1 MiB) is raised to it. glibc also
// carves thread-local storage out of the stack, and sanitizer runtimes make
// that large, so a small stack would not even hold C++ code.
constexpr std::size_t kMinimumThreadStack = 1024 * 1024;

std::size_t DefaultThreadStack() {
    pthread_attr_t defaults;
    std::size_t size = 0;
    if (pthread_getattr_default_np(&defaults) == 0) {
        pthread_attr_getstacksize(&defaults, &size);
        pthread_attr_destroy(&defaults);
    }
    return size > kMinimumThreadStack ? size : kMinimumThreadStack;
}

struct ThreadStart {
    void(__cdecl* start)(void*);
    void* argument;
};

void* RunThread(void* raw) {
    ThreadStart start = *static_cast<ThreadStart*>(raw);
    delete static_cast<ThreadStart*>(raw);
    start.start(start.argument);
    return nullptr;
}

std::size_t StackSizeFor(unsigned requested) {
    std::size_t size = requested;
    static const std::size_t minimum = DefaultThreadStack();
    if (size < minimum) size = minimum;
    if (size < static_cast<std::size_t>(PTHREAD_STACK_MIN)) size = PTHREAD_STACK_MIN;
    long page = sysconf(_SC_PAGESIZE);
    std::size_t pageSize = page > 0 ? static_cast<std::size_t>(page) : 4096;
    return (size + pageSize - 1) / pageSize * pageSize;
}

}  // namespace

extern "C" DWORD GetTickCount(void) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned long long ms = static_cast<unsigned long long>(now.tv_sec) * 1000ULL +
                            static_cast<unsigned long long>(now.tv_nsec) / 1000000ULL;
    return static_cast<DWORD>(ms);  // wraps every 49.7 days, as on Windows
}

extern "C" void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

extern "C" void GlobalMemoryStatus(LPMEMORYSTATUS status) {
    if (status == nullptr) return;
    long pages = sysconf(_SC_PHYS_PAGES);
    long available = sysconf(_SC_AVPHYS_PAGES);
    long pageSize = sysconf(_SC_PAGESIZE);
    SIZE_T total = pages > 0 && pageSize > 0 ? SIZE_T(pages) * SIZE_T(pageSize) : 0;
    SIZE_T free = available > 0 && pageSize > 0 ? SIZE_T(available) * SIZE_T(pageSize) : 0;
    status->dwLength = sizeof(MEMORYSTATUS);
    status->dwMemoryLoad = total > 0 ? static_cast<DWORD>(100 - free * 100 / total) : 0;
    status->dwTotalPhys = total;
    status->dwAvailPhys = free;
    status->dwTotalPageFile = total;
    status->dwAvailPageFile = free;
    rlimit limit{};
    bool limited = getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
    status->dwTotalVirtual = limited ? SIZE_T(limit.rlim_cur) : SIZE_T(1) << 47;
    status->dwAvailVirtual = status->dwTotalVirtual;
}

extern "C" DWORD GetCurrentThreadId(void) { return static_cast<DWORD>(syscall(SYS_gettid)); }

extern "C" DWORD GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }

extern "C" uintptr_t _beginthread(void(__cdecl* start)(void*), unsigned stackSize, void* argument) {
    if (start == nullptr) {
        errno = EINVAL;
        return static_cast<uintptr_t>(-1);
    }
    auto* startData = new (std::nothrow) ThreadStart{start, argument};
    if (startData == nullptr) {
        errno = ENOMEM;
        return static_cast<uintptr_t>(-1);
    }
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    int error = pthread_attr_setstacksize(&attributes, StackSizeFor(stackSize));
    pthread_t thread{};
    if (error == 0) error = pthread_create(&thread, &attributes, RunThread, startData);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        delete startData;
        errno = error;
        return static_cast<uintptr_t>(-1);
    }
    return static_cast<uintptr_t>(thread);
}
