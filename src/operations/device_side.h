// The operations that stay on the device: starting a program (Enter on an
// .exe) and copying or moving a file to another name (Shift+F5, Shift+F6).
// GetFiles recognises them from the keys ProcessKey recorded.
#pragma once

#include "panel/panel_instance.h"

// 1 when the OEM name ends in ".exe", whatever the case.
int IsExecutable(const char* name);

// Starts the program `name` of the current device directory; reports a
// failure with the error box. Nothing is waited for.
void LaunchOnDevice(PanelInstance& panel, const char* name);

// Copies (or with `move` moves) `name` of the current device directory to
// `destPath`, a name or a relative path below that directory. A copy never
// overwrites. A move refreshes the panel with the cursor on the new name.
// Clears the panel's LastShiftKey in every case.
void CopyWithinDevice(PanelInstance& panel, const char* name, int move, const char* destPath);
