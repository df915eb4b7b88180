// Where the host puts a dialog, its items and a message box on a screen of
// a given size: pure geometry, drawn by the views.
#pragma once

#include <string>
#include <vector>

#include "farplugin.h"
#include "ui.h"

namespace vbterm {

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    int Right() const { return left + width - 1; }
    int Bottom() const { return top + height - 1; }
};

// ---- Dialogs ------------------------------------------------------------------

// One item on the screen. `label` is the module's text (OEM) without the
// hot-key marker; `hotKey` is the marked character's index in it or -1.
struct ItemPlace {
    int x = 0, y = 0;   // screen cell of the item's first character
    int width = 0;      // cells the item takes
    int x2 = 0, y2 = 0; // boxes: the opposite corner
    std::string label;
    int hotKey = -1;
};

struct DialogLayout {
    Rect area;                    // the dialog's own background
    std::vector<ItemPlace> items; // one per item, in item order
};

bool CanTakeFocus(const FarDialogItem& item);
bool IsEditItem(const FarDialogItem& item);
// "[ OK ]", or "{ OK }" for the default button: the width a button takes.
int ButtonWidth(const std::string& label);

// X1 = Y1 = -1 centres a dialog of X2 columns and Y2 rows; otherwise the
// four are screen coordinates. Item coordinates count from the dialog's
// corner; a text at X1 = -1 is centred, buttons of a DIF_CENTERGROUP row
// are centred together with one space between them, a DIF_SEPARATOR text
// runs across the box it stands in.
DialogLayout LayOutDialog(int x1, int y1, int x2, int y2, const std::vector<FarDialogItem>& items,
                          int screenWidth, int screenHeight);

// The items that take the focus, in order.
std::vector<int> FocusOrder(const std::vector<FarDialogItem>& items);

// ---- Messages -----------------------------------------------------------------

struct MessageLayout {
    Rect area;                       // background, frame inside it
    Rect frame;
    std::string title;               // OEM
    std::vector<std::string> lines;  // OEM, cut to the box
    std::vector<int> lineX;          // where each line starts
    std::vector<std::string> buttons;
    std::vector<int> buttonX;
    int buttonY = -1;
};

// The box of a message as the host draws it: the title in the top frame,
// the body lines centred (FMSG_LEFTALIGN: flush left), the buttons centred
// on the last line inside; centred on the screen, or below its middle with
// FMSG_DOWN.
MessageLayout LayOutMessage(const vbhost::MessageCall& call, int screenWidth, int screenHeight);

}  // namespace vbterm
