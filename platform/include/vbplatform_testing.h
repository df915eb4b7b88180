// Controls of the POSIX Win32 subset that only the testbed uses: the trace
// sink behind OutputDebugString, the console input queue behind CONIN$, the
// OEM code page in force and the registry store's file. The module never
// includes this header.
#pragma once

#ifndef _WIN32

#include <cstddef>
#include <string>
#include <vector>

#include "vbwin32.h"

namespace vbplatform {

// Every OutputDebugStringA/W call is one entry, in call order: A text as the
// bytes given, W text converted to UTF-8. Also appended to the file named by
// VANTELBROOK_TRACE when that is set.
std::vector<std::string> TakeTrace();  // returns the entries and clears them
void ClearTrace();

// The queue that PeekConsoleInputA/ReadConsoleInputA read on a CONIN$ handle.
void PushConsoleInput(const INPUT_RECORD& record);
void PushKey(WORD virtualKey, bool keyDown);
void ClearConsoleInput();
std::size_t PendingConsoleInput();

// OEM code page: 437 unless VANTELBROOK_OEMCP names 866 at load.
void SetOemCodePage(unsigned codePage);
unsigned OemCodePage();

// The registry store: VANTELBROOK_REGISTRY, else a file under the user's
// configuration folder. Tests point it at a file of their own.
void SetRegistryPath(const std::string& path);
std::string RegistryPath();

// WaitForSingleObject multiplies every finite time-out by percent / 100,
// rounding up (a finite non-zero time-out never becomes 0 or INFINITE), so
// tests of long timed waits run quickly. Default 100. Nothing else changes.
void SetWaitScale(unsigned percent);
unsigned WaitScale();

// OEM <-> UTF-8 for the testbed (names on the local disk are UTF-8).
std::string OemToUtf8(const std::string& oem);
std::string Utf8ToOem(const std::string& utf8);

}  // namespace vbplatform

#endif
