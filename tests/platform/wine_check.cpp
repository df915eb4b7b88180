#include "wine_check.h"

#ifdef _WIN32

#include <cstring>

#include "vbwin32.h"

namespace vbtest {

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Wine names the Windows user after the Unix user that runs it.
bool UnderWineAsRoot() {
    char user[64];
    DWORD length = GetEnvironmentVariableA("USERNAME", user, sizeof user);
    return UnderWine() && length > 0 && length < sizeof user && std::strcmp(user, "root") == 0;
}

}  // namespace vbtest

#endif
