// Start-up, the menu entries and the module-wide texts filled at start-up.
#pragma once

#include "farplugin.h"

enum { FileExistsPromptItems = 8, FileExistsPromptButtons = 5 };

// The question asked when a target file exists: title, a line, the file's
// name (ExistingFileName, filled by the caller) and five buttons.
extern const char* FileExistsPrompt[FileExistsPromptItems];
extern char ExistingFileName[260];

// SetStartupInfo: accepts or refuses the host, reads the settings, fills the
// prompt texts.
void StartModule(const PluginStartupInfo* info);
// GetPluginInfo: the disks-menu, plug-ins-menu and configuration entries.
void FillPluginInfo(PluginInfo* info);
