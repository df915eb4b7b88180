#include "operations/delete_items.h"

#include <new>

#include "device/error_box.h"
#include "operations/operation_paths.h"
#include "operations/scratch_buffers.h"
#include "operations/selection_walker.h"
#include "operations/walk_record.h"
#include "plugin/dialog_template.h"
#include "plugin/host_services.h"
#include "transfer/file_endpoint.h"

static bool PassesMode(const PluginPanelItem& item, int deleteMode) {
    bool selected = (item.Flags & PPIF_SELECTED) != 0;
    return ((deleteMode & DeleteSelected) && selected) || ((deleteMode & DeleteUnselected) && !selected);
}

static bool Confirm(const PluginPanelItem* items, int count) {
    if (count == 1)
        FormatText(PathScratch, sizeof PathScratch, GetMsgText(MDeleteOneItem), items[0].FindData.cFileName);
    else
        FormatNumber(PathScratch, sizeof PathScratch, GetMsgText(MDeleteManyItems), count);
    const char* lines[] = {GetMsgText(MDeleteTitle), PathScratch, GetMsgText(MOk), GetMsgText(MCancel)};
    return HostMessage(FMSG_WARNING, nullptr, lines, 4, 2) == 0;
}

// Walks the items, directories expanded on the device panel, into a record
// whose passing entries are marked for removal.
static void CollectWalk(PanelInstance& panel, PluginPanelItem* items, int count, int deleteMode,
                        WalkRecord& record) {
    ResetSelectionWalker(panel, count, 1);
    PluginPanelItem* hostEnd = items + count;
    while (PluginPanelItem* item = NextSelectedItem(panel, items)) {
        PluginPanelItem* hostItem = item >= items && item < hostEnd ? item : nullptr;
        int index = AppendWalkEntry(record, *item, hostItem);
        if (index < 0) break;
        if (PassesMode(*item, deleteMode)) record.Entries[index].State = EntryDone;
    }
    ReleaseSelectionWalk();
}

static FileEndpoint* MakeEndpoint(const PanelInstance& panel, const char* name, bool onDevice) {
    if (onDevice) return new (std::nothrow) DeviceFile(name, NameInDir, panel.CurDir);
    return new (std::nothrow) LocalFile(name, NameFull, nullptr);
}

enum RemovalOutcome { Removed, NotRemoved, CancelRemoval };

// Removes one entry, asking again on failure: retry, skip (or Esc), cancel.
static int RemoveEntry(PanelInstance& panel, const WalkEntry& entry, bool onDevice, bool silent) {
    HANDLE screen = HostSaveScreen();
    if (!silent) {
        const char* lines[] = {GetMsgText(MDeleteTitle), entry.Name};
        HostMessage(FMSG_DOWN, nullptr, lines, 2, 0);
    }
    // The failure's subject is ready before the attempt, so that nothing
    // runs between a failed removal and the box that reads its error.
    FormatText(PathScratch, sizeof PathScratch, GetMsgText(MCannotDelete), entry.Name);
    int outcome = NotRemoved;
    for (;;) {
        FileEndpoint* endpoint = nullptr;
        bool removed = false;
        // A name that would lead out of the panel's directory is never used.
        if (!IsContainedName(entry.Name)) {
            SetLastError(ERROR_INVALID_NAME);
        } else if (!(endpoint = MakeEndpoint(panel, entry.Name, onDevice))) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        } else {
            removed = endpoint->RemoveEndpointItem(1, 0) != 0;
        }
        if (removed) {
            delete endpoint;
            outcome = Removed;
            break;
        }
        int answer = ShowDeviceError(PathScratch);
        delete endpoint;
        if (answer == 0) continue;
        outcome = answer == 2 ? CancelRemoval : NotRemoved;
        break;
    }
    HostRestoreScreen(screen);
    return outcome;
}

// Removes entries [first, last] from the last: what a directory holds goes
// before the directory. What stays keeps every directory above it, without
// another report. False when the user cancelled.
static bool RemoveRangeInReverse(PanelInstance& panel, WalkRecord& record, int first, int last, bool onDevice,
                                 bool silent) {
    for (int i = last; i >= first; --i) {
        WalkEntry& entry = record.Entries[i];
        if (entry.State != EntryDone) {
            KeepAncestors(record, i);
            continue;
        }
        int outcome = RemoveEntry(panel, entry, onDevice, silent);
        if (outcome == Removed) {
            if (entry.HostItem) entry.HostItem->Flags &= ~PPIF_SELECTED;
            continue;
        }
        entry.State = EntryKept;
        KeepAncestors(record, i);
        if (outcome == CancelRemoval) return false;
    }
    return true;
}

// The host's items in their order, each with everything below it (the
// entries that follow it in the record) removed bottom-up.
static void RemoveRecorded(PanelInstance& panel, WalkRecord& record, bool onDevice, bool silent) {
    int first = 0;
    while (first < record.Count) {
        int last = first;
        while (last + 1 < record.Count && !record.Entries[last + 1].HostItem) ++last;
        if (!RemoveRangeInReverse(panel, record, first, last, onDevice, silent)) return;
        first = last + 1;
    }
}

int DeleteFiles(PanelInstance& panel, PluginPanelItem* items, int count, int opMode) {
    if (opMode & OPM_SILENT) return 0;
    return DeleteItems(panel, items, count, opMode, DeleteSelected | DeleteUnselected | DeleteOnDevice);
}

int DeleteItems(PanelInstance& panel, PluginPanelItem* items, int count, int opMode, int deleteMode) {
    bool silent = (opMode & OPM_SILENT) != 0;
    bool onDevice = (deleteMode & DeleteOnDevice) != 0;
    if (count < 1) return 1;
    if (!silent && !Confirm(items, count)) return 0;

    if (MoveRecordActive) {
        // Only a complete record may guide removals: an entry missing from
        // it could be one that was not copied.
        if (!MoveRecord.Overflowed) RemoveRecorded(panel, MoveRecord, onDevice, silent);
        return 1;
    }
    WalkRecord record;
    InitWalkRecord(record);
    CollectWalk(panel, items, count, deleteMode, record);
    if (record.Overflowed) {
        // Half a plan could remove a directory's entries and not know the
        // rest: nothing is removed.
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        ShowDeviceError(nullptr);
    } else {
        RemoveRecorded(panel, record, onDevice, silent);
    }
    FreeWalkRecord(record);
    return 1;
}
