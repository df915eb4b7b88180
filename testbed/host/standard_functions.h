// The host's standard functions that the module may call, behaving as the
// host's do: the C runtime's sprintf/atoi/itoa, the OEM-aware LStricmp, and
// the path helpers TruncPathStr and AddEndSlash.
#pragma once

#include "farplugin.h"

namespace vbhost {

int __cdecl HostSprintf(char* buffer, const char* format, ...);
int WINAPI HostAtoi(const char* text);
char* WINAPI HostItoa(int value, char* buffer, int radix);
int WINAPI HostLStricmp(const char* a, const char* b);
char* WINAPI HostTruncPathStr(char* path, int maxLength);
BOOL WINAPI HostAddEndSlash(char* path);

// Lower-case form of an OEM byte in the OEM code page in force.
unsigned char OemToLower(unsigned char c);

// A table with the functions above in their places and every other slot
// pointing at a function that reports the call as a violation.
void FillStandardFunctions(FarStandardFunctions& fsf);

}  // namespace vbhost
