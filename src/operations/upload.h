// Copying or moving local items (named relative to the process's current
// directory) into the current device directory: the host's PutFiles.
#pragma once

#include "farplugin.h"
#include "panel/panel_instance.h"

// 1 in every case, also after a cancel part-way.
int PutFiles(PanelInstance& panel, PluginPanelItem* items, int count, int move, int opMode);

// Copies the local file named by the find data's relative name to the same
// relative name below the current device directory. FileCopied,
// FileNotCopied or FileCancelAll.
int UploadFile(PanelInstance& panel, const FAR_FIND_DATA& findData, int opMode);
