// The boxes the host draws over the panels: message boxes, dialogs, menus
// and the help viewer. Each runs modally on the calling thread, taking the
// keyboard and the screen under it for its life.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "help_file.h"
#include "terminal.h"
#include "ui.h"

namespace vbterm {

// Shows the help topic named (empty: the contents).
using HelpRequest = std::function<void(const std::string& topic)>;

// A message box. Without buttons it is drawn and left on the screen (the
// result is 0); with buttons it waits for the user: the button's index, -1
// for Esc.
int RunMessageBox(Terminal& terminal, const vbhost::MessageCall& call, const HelpRequest& help);

// Runs a dialog until it closes: draws it at its items' coordinates, lets
// the user act on it, and redraws it as other threads change its texts.
void RunDialogBox(Terminal& terminal, vbhost::RunningDialog& dialog, const HelpRequest& help);

struct MenuEntry {
    std::string hotKey;   // shown before the text; typing it chooses the entry
    std::string text;     // UTF-8
    bool separator = false;
};

// A vertical menu; the index chosen, or -1.
int RunMenu(Terminal& terminal, const std::string& title, const std::vector<MenuEntry>& entries,
            int selected, const HelpRequest& help);

// The help viewer on one file, starting at a topic (the contents when the
// topic is not there); links are followed with Enter, Backspace goes back.
void RunHelpViewer(Terminal& terminal, const HelpFile& file, const std::string& topic);

}  // namespace vbterm
