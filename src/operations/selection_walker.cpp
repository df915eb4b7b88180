#include "operations/selection_walker.h"

#include <string.h>

#include "plugin/host_services.h"

SelectionWalkerState SelectionWalker;

void ReleaseSelectionWalk() {
    if (SelectionWalker.DirList) HostFreeDirList(SelectionWalker.DirList);
    SelectionWalker.DirList = nullptr;
    SelectionWalker.DirListCount = 0;
    SelectionWalker.DirListPos = 0;
}

static bool IsResetRecord(const PluginPanelItem* items) { return items->FindData.cFileName[0] == 0; }

static bool IsDirectoryItem(const PluginPanelItem& item) {
    return (item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Asks the host for everything below the directory item.
static void ExpandDirectory(PanelInstance& panel, const PluginPanelItem& item) {
    char name[260];
    memcpy(name, item.FindData.cFileName, sizeof name);
    name[sizeof name - 1] = 0;
    PluginPanelItem* list = nullptr;
    int count = 0;
    if (SelectionWalker.UsePluginDirList)
        HostGetPluginDirList(&panel, name, &list, &count);
    else
        HostGetDirList(name, &list, &count);
    if (count > 0 && list) {
        SelectionWalker.DirList = list;
        SelectionWalker.DirListCount = count;
    } else {
        // An empty list still belongs to the host and goes back at once.
        if (list) HostFreeDirList(list);
        SelectionWalker.DirList = nullptr;
        SelectionWalker.DirListCount = 0;
    }
    SelectionWalker.DirListPos = 0;
}

PluginPanelItem* NextSelectedItem(PanelInstance& panel, PluginPanelItem* items) {
    if (IsResetRecord(items)) {
        // A walk left unfinished must not keep the host's list.
        ReleaseSelectionWalk();
        memset(&SelectionWalker, 0, sizeof SelectionWalker);
        SelectionWalker.ItemCount = static_cast<int>(items->UserData);
        SelectionWalker.UsePluginDirList = static_cast<int>(items->Flags);
        return nullptr;
    }
    for (;;) {
        if (SelectionWalker.ItemIndex >= SelectionWalker.ItemCount) return nullptr;
        PluginPanelItem& item = items[SelectionWalker.ItemIndex];
        if (!IsDirectoryItem(item)) {
            ++SelectionWalker.ItemIndex;
            return &item;
        }
        if (SelectionWalker.DirListCount == 0) {
            ExpandDirectory(panel, item);
            if (SelectionWalker.DirListCount == 0) ++SelectionWalker.ItemIndex;
            return &item;
        }
        if (SelectionWalker.DirListPos < SelectionWalker.DirListCount)
            return &SelectionWalker.DirList[SelectionWalker.DirListPos++];
        ReleaseSelectionWalk();
        ++SelectionWalker.ItemIndex;
    }
}

void ResetSelectionWalker(PanelInstance& panel, int count, int usePluginDirList) {
    PluginPanelItem reset;
    memset(&reset, 0, sizeof reset);
    reset.UserData = static_cast<DWORD>(count);
    reset.Flags = static_cast<DWORD>(usePluginDirList);
    NextSelectedItem(panel, &reset);
}
