// What tests need of the process around the module, on both builds: the
// trace lines the module sends with OutputDebugString, and console input as
// a terminal would deliver it. Natively both go through the Win32 subset's
// own controls; on Windows the real calls are watched and fed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "vbwin32.h"

namespace vbhost {

// Every OutputDebugStringA/W since the last call, in call order (W text as
// UTF-8), and clears them. On Windows lines are captured from the first
// ClearTrace or TakeTrace on: call ClearTrace before the action.
std::vector<std::string> TakeTrace();
void ClearTrace();

// Console input. On Windows a process without a console joins one without a
// window first; false when no console can be had (nothing is queued then).
bool EnsureConsole();
bool PushConsoleInput(const INPUT_RECORD& record);
// A key as a console reports it: the character it gives without modifiers.
bool PushConsoleKey(WORD virtualKey, bool keyDown);
void ClearConsoleInput();
std::size_t PendingConsoleInput();

}  // namespace vbhost
