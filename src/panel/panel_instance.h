// One host panel that shows the device: its current directory in the host's
// OEM code page and in the device's UTF-16, navigation, the panel's
// description, key tracking and refreshing with the cursor put on a name.
#pragma once

#include "farplugin.h"

enum { PanelPathSize = 260, PanelTitleSize = 520 };

// The listing kept for reuse after a refresh (see RefreshPanel).
enum ReuseStates {
    ReuseNone = 0,        // reads go to the device; the host's array is released
    ReuseKeepNext = 1,    // inside a refresh: the next released listing is kept
    ReuseServeKept = 2,   // after a refresh: the kept listing answers the next read
};

struct PanelInstance {
    PanelInfo HostPanelInfo;
    PluginPanelItem* CachedItems;
    int CachedCount;
    int ReuseState;
    char HostDir[PanelPathSize];
    char CursorName[PanelPathSize];
    char Title[PanelTitleSize];
    char* CurDir;  // into Title, just past the title's prefix
    WCHAR ParentDirWide[PanelPathSize];
    WCHAR CurDirWide[PanelPathSize];
    int OverwriteMode;
    int LastShiftKey;
    int LastKey;
};

// Room that a listing needs at the end of CurDirWide for its pattern.
enum { ListingPatternRoom = 3 };

PanelInstance* OpenPanelInstance(PanelInstance* panel);
void ClosePanelInstance(PanelInstance* panel);
// Releases an instance and any listing it still keeps.
void ReleasePanelInstance(PanelInstance* panel);

void GetOpenPluginInfo(PanelInstance& panel, OpenPluginInfo* info);
int SetDirectory(PanelInstance& panel, const char* dir, int opMode);
int ProcessKey(PanelInstance& panel, int key, unsigned int controlState);
int RefreshPanel(PanelInstance& panel, const char* name);
void UpdateAndPosition(PanelInstance& panel, const char* name);

// Releases a listing given to the host.
void FreeListing(PluginPanelItem* items);
