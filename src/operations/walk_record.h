// The entries of one walk, in walk order (a directory before what it holds),
// each with its relative name, the directory that holds it and what became
// of it. A delete removes a record's entries in reverse order, so that a
// directory comes after its contents; a move's copy fills a record that its
// delete pass then follows, so that only what was copied is removed.
#pragma once

#include "farplugin.h"

enum WalkEntryState {
    EntryPending = 0,  // not (yet) done: stays in place
    EntryDone = 1,     // copied, or chosen for removal
    EntryKept = 2,     // must stay: skipped, failed, or something inside it stays
};

struct WalkEntry {
    char* Name;                 // relative to the directory the walk started in
    int IsDir;
    int Parent;                 // index of the entry of the directory holding it, -1 at the top
    PluginPanelItem* HostItem;  // the record of the host's own array, null for a list entry
    int State;
};

// Entries are allocated per operation; beyond MaxWalkEntries (or when memory
// runs out) the record stops growing and says so.
enum { MaxWalkEntries = 1 << 18 };

struct WalkRecord {
    WalkEntry* Entries;
    int Count;
    int Capacity;
    int Overflowed;  // an entry could not be recorded
};

void InitWalkRecord(WalkRecord& record);
void FreeWalkRecord(WalkRecord& record);

// Records an item the walker yielded; `hostItem` is its record when it comes
// from the host's own array. Returns the new entry's index, or -1 (and
// Overflowed set) when it could not be recorded.
int AppendWalkEntry(WalkRecord& record, const PluginPanelItem& item, PluginPanelItem* hostItem);

// Marks every directory above an entry as kept.
void KeepAncestors(WalkRecord& record, int index);

// The record of the copy of a move, read by the delete pass that follows it.
// Active between BeginMoveRecord and EndMoveRecord.
extern WalkRecord MoveRecord;
extern int MoveRecordActive;
void BeginMoveRecord();
void EndMoveRecord();
