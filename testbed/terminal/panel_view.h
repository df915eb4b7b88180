// The host's main screen: two file panels as the host holds them, the
// command line and the key bar.
#pragma once

#include <string>

#include "host.h"
#include "terminal.h"

namespace vbterm {

// Rows of items a panel shows on a screen of this height.
int PanelItemRows(int screenHeight);

// Keeps the panel's first shown item such that its cursor is in view.
void ScrollToCursor(vbhost::Host::Panel& panel, int rows);

// Draws everything; `status` (UTF-8) takes the command line's place when
// it is not empty. With the screen lock held.
void DrawMainScreen(Terminal& terminal, vbhost::Host& host, const std::string& status);

// What the size column shows for an item: "Up", "Folder", or the size,
// made to fit `width` cells with K and M.
std::string SizeColumn(const PluginPanelItem& item, int width);

}  // namespace vbterm
