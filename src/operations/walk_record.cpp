#include "operations/walk_record.h"

#include <stdlib.h>
#include <string.h>

WalkRecord MoveRecord;
int MoveRecordActive;

void InitWalkRecord(WalkRecord& record) { memset(&record, 0, sizeof record); }

void FreeWalkRecord(WalkRecord& record) {
    for (int i = 0; i < record.Count; ++i) free(record.Entries[i].Name);
    free(record.Entries);
    InitWalkRecord(record);
}

static bool Grow(WalkRecord& record) {
    if (record.Count < record.Capacity) return true;
    if (record.Capacity >= MaxWalkEntries) return false;
    int capacity = record.Capacity ? record.Capacity * 2 : 64;
    if (capacity > MaxWalkEntries) capacity = MaxWalkEntries;
    void* grown = realloc(record.Entries, static_cast<size_t>(capacity) * sizeof(WalkEntry));
    if (!grown) return false;
    record.Entries = static_cast<WalkEntry*>(grown);
    record.Capacity = capacity;
    return true;
}

// True when `name` lies below the directory `dir`: "D\sub\f" below "D\sub".
static bool IsBelow(const char* name, const char* dir) {
    size_t length = strlen(dir);
    return strncmp(name, dir, length) == 0 && (name[length] == '\\' || name[length] == '/');
}

// The directory holding a new entry is found among the directories above
// the entry recorded last, since a list names a directory before its
// contents and keeps those contents together.
static int FindParent(const WalkRecord& record, const char* name, bool fromHostArray) {
    if (fromHostArray || record.Count == 0) return -1;
    int candidate = record.Count - 1;
    if (!record.Entries[candidate].IsDir) candidate = record.Entries[candidate].Parent;
    while (candidate >= 0 && !IsBelow(name, record.Entries[candidate].Name))
        candidate = record.Entries[candidate].Parent;
    return candidate;
}

int AppendWalkEntry(WalkRecord& record, const PluginPanelItem& item, PluginPanelItem* hostItem) {
    size_t length = strnlen(item.FindData.cFileName, sizeof item.FindData.cFileName);
    char* name = static_cast<char*>(malloc(length + 1));
    if (!name || !Grow(record)) {
        free(name);
        record.Overflowed = 1;
        return -1;
    }
    memcpy(name, item.FindData.cFileName, length);
    name[length] = 0;
    WalkEntry& entry = record.Entries[record.Count];
    entry.Name = name;
    entry.IsDir = (item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.Parent = FindParent(record, name, hostItem != nullptr);
    entry.HostItem = hostItem;
    entry.State = EntryPending;
    return record.Count++;
}

void KeepAncestors(WalkRecord& record, int index) {
    for (int p = record.Entries[index].Parent; p >= 0 && record.Entries[p].State != EntryKept;
         p = record.Entries[p].Parent)
        record.Entries[p].State = EntryKept;
}

void BeginMoveRecord() {
    FreeWalkRecord(MoveRecord);
    MoveRecordActive = 1;
}

void EndMoveRecord() {
    FreeWalkRecord(MoveRecord);
    MoveRecordActive = 0;
}
