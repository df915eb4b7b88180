#include "panel/panel_instance.h"

#include <stdlib.h>
#include <string.h>

#include "device/wide_text.h"
#include "plugin/dialog_template.h"
#include "plugin/host_services.h"

static const WCHAR RootDirWide[] = {'\\', 0};

PanelInstance* OpenPanelInstance(PanelInstance* panel) {
    panel->CachedItems = nullptr;
    panel->CachedCount = 0;
    panel->LastShiftKey = 0;
    panel->LastKey = 0;
    HostControl(INVALID_HANDLE_VALUE, FCTL_GETPANELINFO, &panel->HostPanelInfo);
    memcpy(panel->HostDir, panel->HostPanelInfo.CurDir, sizeof panel->HostDir);
    panel->HostDir[sizeof panel->HostDir - 1] = 0;

    // The title's prefix leaves the current directory room for a full path.
    const char* prefix = GetMsgText(MPanelTitle);
    size_t prefixLength = strlen(prefix);
    size_t prefixRoom = sizeof panel->Title - PanelPathSize - 1;
    if (prefixLength > prefixRoom) prefixLength = prefixRoom;
    memcpy(panel->Title, prefix, prefixLength);
    panel->CurDir = panel->Title + prefixLength;
    strcpy(panel->CurDir, "\\");

    WideCopy(panel->CurDirWide, PanelPathSize, RootDirWide);
    panel->ParentDirWide[0] = 0;
    panel->ReuseState = ReuseNone;
    return panel;
}

void ClosePanelInstance(PanelInstance* panel) {
    HostControl(INVALID_HANDLE_VALUE, FCTL_SETPANELDIR, panel->HostDir);
}

void ReleasePanelInstance(PanelInstance* panel) {
    FreeListing(panel->CachedItems);
    free(panel);
}

void FreeListing(PluginPanelItem* items) { free(items); }

void GetOpenPluginInfo(PanelInstance& panel, OpenPluginInfo* info) {
    info->StructSize = sizeof(OpenPluginInfo);
    info->Flags = OPIF_USEFILTER | OPIF_USESORTGROUPS | OPIF_USEHIGHLIGHTING | OPIF_ADDDOTS;
    info->HostFile = nullptr;
    info->CurDir = panel.CurDir;
    info->Format = GetMsgText(MDiskMenuEntry);
    info->PanelTitle = panel.Title;
    info->PanelModesArray = nullptr;
    info->KeyBar = nullptr;
    info->ShortcutData = nullptr;
}

// One more part below the current directory. A path that would not fit the
// panel's buffers (with room for the listing's pattern) is refused and
// nothing changes.
static int Descend(PanelInstance& panel, const char* dir) {
    size_t room = sizeof panel.Title - static_cast<size_t>(panel.CurDir - panel.Title);
    size_t length = strlen(panel.CurDir) + strlen(dir) + 1;
    if (length + 1 > room || length + 1 > PanelPathSize) return 0;
    char path[PanelPathSize];
    strcpy(path, panel.CurDir);
    strcat(path, dir);
    strcat(path, "\\");
    WCHAR wide[PanelPathSize];
    if (!OemToWide(path, wide, PanelPathSize - ListingPatternRoom)) return 0;

    strcpy(panel.CurDir, path);
    WideCopy(panel.ParentDirWide, PanelPathSize, panel.CurDirWide);
    WideCopy(panel.CurDirWide, PanelPathSize, wide);
    return 1;
}

// Ends a directory text at its last backslash, dropping the trailing one;
// returns the position of the backslash that is now last, or -1.
static long DropLastPart(WCHAR* dir) {
    size_t length = WideLength(dir, PanelPathSize);
    if (length > 0 && dir[length - 1] == '\\') dir[--length] = 0;
    long last = -1;
    for (size_t i = 0; i < length; ++i)
        if (dir[i] == '\\') last = static_cast<long>(i);
    return last;
}

static int Ascend(PanelInstance& panel, int opMode) {
    WCHAR leaving[PanelPathSize];
    WideCopy(leaving, PanelPathSize, panel.CurDirWide);
    long last = DropLastPart(leaving);
    if (!WideToOem(leaving + last + 1, panel.CursorName, sizeof panel.CursorName))
        panel.CursorName[0] = 0;

    WideCopy(panel.CurDirWide, PanelPathSize, panel.ParentDirWide);
    if (!WideToOem(panel.CurDirWide, panel.CurDir, PanelPathSize)) strcpy(panel.CurDir, "\\");

    last = DropLastPart(panel.ParentDirWide);
    if (last >= 0) panel.ParentDirWide[last + 1] = 0;

    if (!(opMode & OPM_FIND)) RefreshPanel(panel, panel.CursorName);
    return 1;
}

int SetDirectory(PanelInstance& panel, const char* dir, int opMode) {
    if (!DeviceConnected) return 0;
    if (FsfLStricmp(dir, "..") != 0) return Descend(panel, dir);
    if (FsfLStricmp(panel.CurDir, "\\") == 0) {
        HostControl(&panel, FCTL_CLOSEPLUGIN, panel.HostDir);
        return 1;
    }
    return Ascend(panel, opMode);
}

int ProcessKey(PanelInstance& panel, int key, unsigned int controlState) {
    panel.LastKey = key;
    if (controlState == PKF_SHIFT) panel.LastShiftKey = key;
    return 0;
}

int RefreshPanel(PanelInstance& panel, const char* name) {
    panel.ReuseState = ReuseKeepNext;
    HostControl(&panel, FCTL_UPDATEPANEL, nullptr);
    panel.ReuseState = ReuseServeKept;
    UpdateAndPosition(panel, name);
    return 1;
}

void UpdateAndPosition(PanelInstance& panel, const char* name) {
    PanelInfo info;
    memset(&info, 0, sizeof info);
    HostControl(&panel, FCTL_GETPANELINFO, &info);
    for (int i = 0; i < info.ItemsNumber; ++i) {
        if (FsfLStricmp(info.PanelItems[i].FindData.cFileName, name) == 0) {
            PanelRedrawInfo redraw = {i, 0};
            HostControl(&panel, FCTL_REDRAWPANEL, &redraw);
            return;
        }
    }
}
