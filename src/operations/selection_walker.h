// Turns the host's item array into one flat sequence: every item in array
// order, each directory followed by everything below it, taken from the
// host in a single list. One walk at a time for the whole module.
#pragma once

#include "farplugin.h"
#include "panel/panel_instance.h"

struct SelectionWalkerState {
    int ItemIndex;         // the caller's item being processed
    int ItemCount;         // items in the caller's array
    PluginPanelItem* DirList;  // everything below the current directory item (host-owned)
    int DirListCount;      // 0: the current item has not been expanded
    int DirListPos;        // next DirList entry to yield
    int UsePluginDirList;  // 1: expand on the device (GetPluginDirList); 0: locally (GetDirList)
};

extern SelectionWalkerState SelectionWalker;

// With a reset record (a name beginning with a zero byte; UserData the item
// count, Flags the expansion side) starts a new walk and returns null. With
// the caller's array, returns the next item, or null at the end. The
// records returned point into the caller's array or into the host's list.
PluginPanelItem* NextSelectedItem(PanelInstance& panel, PluginPanelItem* items);

// Starts a walk of `count` items through a reset record.
void ResetSelectionWalker(PanelInstance& panel, int count, int usePluginDirList);

// Gives back a list still held by a walk that was left unfinished.
void ReleaseSelectionWalk();
