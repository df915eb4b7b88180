#include "operations/copy_walk.h"

#include "operations/existing_target.h"
#include "operations/selection_walker.h"
#include "operations/walk_record.h"
#include "plugin/host_services.h"

bool CopyWalkedItems(PanelInstance& panel, PluginPanelItem* items, int count, const char* destPath,
                     int opMode, bool recordMove, const CopyDirection& direction) {
    ResetSelectionWalker(panel, count, direction.UsePluginDirList);
    PluginPanelItem* hostEnd = items + count;
    bool completed = true;
    while (PluginPanelItem* item = NextSelectedItem(panel, items)) {
        PluginPanelItem* hostItem = item >= items && item < hostEnd ? item : nullptr;
        int entry = recordMove ? AppendWalkEntry(MoveRecord, *item, hostItem) : -1;
        bool copied;
        if (item->FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            copied = direction.MakeDirectory(panel, item->FindData.cFileName, destPath);
        } else {
            HANDLE screen = HostSaveScreen();
            int result = direction.CopyFile(panel, item->FindData, destPath, opMode);
            HostRestoreScreen(screen);
            if (direction.TraceAfterFile) OutputDebugStringA(direction.TraceAfterFile);
            copied = result == FileCopied;
            if (copied) item->Flags &= ~PPIF_SELECTED;
            if (result == FileCancelAll) {
                completed = false;
                break;
            }
        }
        if (entry >= 0 && copied) MoveRecord.Entries[entry].State = EntryDone;
    }
    ReleaseSelectionWalk();
    return completed;
}
