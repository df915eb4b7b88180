// The walk that download and upload share: every item the walker yields is
// made (a directory) or copied (a file) by the direction's own steps; files
// copied in full are deselected, and a move records what was done.
#pragma once

#include "panel/panel_instance.h"

struct CopyDirection {
    int UsePluginDirList;  // 1: directories are expanded from the device's lists
    // Makes a directory met in the walk; true when it is there afterwards.
    bool (*MakeDirectory)(PanelInstance& panel, const char* name, const char* destPath);
    // Copies one file; a per-file result (FileCopied, FileNotCopied,
    // FileCancelAll).
    int (*CopyFile)(PanelInstance& panel, const FAR_FIND_DATA& findData, const char* destPath,
                    int opMode);
    const char* TraceAfterFile;  // written after every file, or null
};

// Returns false when the user cancelled the whole operation. With
// `recordMove`, the move's record notes each entry that was done.
bool CopyWalkedItems(PanelInstance& panel, PluginPanelItem* items, int count, const char* destPath,
                     int opMode, bool recordMove, const CopyDirection& direction);
