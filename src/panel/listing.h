// The panel's items: the current device directory read in one request and
// turned into the host's records, with the reuse of a refresh's listing.
#pragma once

#include "panel/panel_instance.h"

int GetFindData(PanelInstance& panel, PluginPanelItem** items, int* count, int opMode);
void FreeFindData(PanelInstance& panel, PluginPanelItem* items, int count);
