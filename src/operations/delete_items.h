// Removing files and directories with everything below them, on the device
// or on the local disk: the host's DeleteFiles, and the second half of a
// move.
#pragma once

#include "farplugin.h"
#include "panel/panel_instance.h"

enum DeleteModes {
    DeleteSelected = 1,    // an item carrying PPIF_SELECTED is removed
    DeleteUnselected = 2,  // an item without PPIF_SELECTED is removed
    DeleteOnDevice = 4,    // on the device; without it on the local disk
};

// Refused (0) under OPM_SILENT; otherwise DeleteItems of every item passed,
// on the device.
int DeleteFiles(PanelInstance& panel, PluginPanelItem* items, int count, int opMode);

// Removes the items that pass the mode's test, directories with everything
// below them, entries before the directories holding them. While a move's
// record is active (the delete pass of a move) the record decides instead:
// exactly the entries whose copy completed are removed, and a directory only
// when all of it was moved. Returns 0 when the user declines the
// confirmation, else 1 (also after a cancel).
int DeleteItems(PanelInstance& panel, PluginPanelItem* items, int count, int opMode, int deleteMode);
