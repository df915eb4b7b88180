// Copying or moving items of the device panel to a local directory (the
// host's GetFiles), and the door to the operations that stay on the device.
#pragma once

#include "farplugin.h"
#include "panel/panel_instance.h"

enum { DestPathSize = 260 };

// 0 when refused (OPM_EDIT), when the destination dialog is cancelled and
// after a launch; 1 otherwise, also after a cancel part-way.
int GetFiles(PanelInstance& panel, PluginPanelItem* items, int count, int move, char* destPath,
             int opMode);

// Asks for the destination: the dialog's result (3 confirms, 4 or -1
// cancel), the confirmed text in `chosen`.
int DestinationDialog(const PluginPanelItem* items, int count, int move, const char* initialText,
                      char (&chosen)[512]);

// Copies the device file named by the find data's relative name (below the
// current device directory) to the same relative name below destPath.
// FileCopied, FileNotCopied or FileCancelAll.
int DownloadFile(PanelInstance& panel, const FAR_FIND_DATA& findData, const char* destPath, int opMode);
