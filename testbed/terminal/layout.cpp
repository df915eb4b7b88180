#include "layout.h"

#include <algorithm>

#include "oem_text.h"

namespace vbterm {

bool CanTakeFocus(const FarDialogItem& item) {
    if (item.Flags & (DIF_NOFOCUS | DIF_DISABLE)) return false;
    switch (item.Type) {
        case DI_EDIT: case DI_PSWEDIT: case DI_FIXEDIT: case DI_BUTTON:
        case DI_CHECKBOX: case DI_RADIOBUTTON: case DI_COMBOBOX: case DI_LISTBOX:
            return true;
        default:
            return false;
    }
}

bool IsEditItem(const FarDialogItem& item) {
    return item.Type == DI_EDIT || item.Type == DI_PSWEDIT || item.Type == DI_FIXEDIT ||
           item.Type == DI_COMBOBOX;
}

int ButtonWidth(const std::string& label) { return static_cast<int>(label.size()) + 4; }

static int LabelWidth(const FarDialogItem& item, const std::string& label) {
    int length = static_cast<int>(label.size());
    switch (item.Type) {
        case DI_BUTTON: return ButtonWidth(label);
        case DI_CHECKBOX: case DI_RADIOBUTTON: return length + 4;
        case DI_EDIT: case DI_PSWEDIT: case DI_FIXEDIT: case DI_COMBOBOX:
            return std::max(1, item.X2 - item.X1 + 1);
        default: return length;
    }
}

// The box a separator at row y belongs to: the innermost one around it.
static const FarDialogItem* BoxAround(const std::vector<FarDialogItem>& items, int y) {
    const FarDialogItem* found = nullptr;
    for (const FarDialogItem& item : items) {
        if (item.Type != DI_DOUBLEBOX && item.Type != DI_SINGLEBOX) continue;
        if (y <= item.Y1 || y >= item.Y2) continue;
        if (!found || item.Y1 >= found->Y1) found = &item;
    }
    return found;
}

static void CentreGroups(const std::vector<FarDialogItem>& items, const Rect& area,
                         std::vector<ItemPlace>& places) {
    std::vector<bool> done(items.size(), false);
    for (size_t i = 0; i < items.size(); ++i) {
        if (done[i] || !(items[i].Flags & DIF_CENTERGROUP)) continue;
        std::vector<size_t> row;
        for (size_t j = i; j < items.size(); ++j)
            if (!done[j] && (items[j].Flags & DIF_CENTERGROUP) && items[j].Y1 == items[i].Y1) row.push_back(j);
        int total = -1;
        for (size_t j : row) total += places[j].width + 1;
        int x = area.left + std::max(0, (area.width - total) / 2);
        for (size_t j : row) {
            places[j].x = x;
            x += places[j].width + 1;
            done[j] = true;
        }
    }
}

DialogLayout LayOutDialog(int x1, int y1, int x2, int y2, const std::vector<FarDialogItem>& items,
                          int screenWidth, int screenHeight) {
    DialogLayout layout;
    Rect& area = layout.area;
    if (x1 == -1 && y1 == -1) {
        area.width = std::min(x2, screenWidth);
        area.height = std::min(y2, screenHeight);
        area.left = std::max(0, (screenWidth - area.width) / 2);
        area.top = std::max(0, (screenHeight - area.height) / 2);
    } else {
        area.left = x1;
        area.top = y1;
        area.width = x2 - x1 + 1;
        area.height = y2 - y1 + 1;
    }
    for (const FarDialogItem& item : items) {
        ItemPlace place;
        place.label = WithoutHotKey(item.Data, &place.hotKey);
        if (item.Type == DI_EDIT || item.Type == DI_PSWEDIT || item.Type == DI_FIXEDIT) {
            place.label = item.Data;
            place.hotKey = -1;
        }
        place.width = LabelWidth(item, place.label);
        place.x = area.left + item.X1;
        place.y = area.top + item.Y1;
        place.x2 = area.left + item.X2;
        place.y2 = area.top + item.Y2;
        if (item.Type == DI_TEXT && item.X1 == -1)
            place.x = area.left + std::max(0, (area.width - place.width) / 2);
        if (item.Type == DI_TEXT && (item.Flags & DIF_SEPARATOR)) {
            const FarDialogItem* box = BoxAround(items, item.Y1);
            place.x = area.left + (box ? box->X1 : 3);
            place.x2 = area.left + (box ? box->X2 : area.width - 4);
            place.width = place.x2 - place.x + 1;
        }
        // Nothing reaches past the dialog's right edge.
        int room = area.Right() - place.x + 1;
        if (item.Type == DI_TEXT && place.width > room) place.width = std::max(0, room);
        layout.items.push_back(place);
    }
    CentreGroups(items, area, layout.items);
    return layout;
}

std::vector<int> FocusOrder(const std::vector<FarDialogItem>& items) {
    std::vector<int> order;
    for (size_t i = 0; i < items.size(); ++i)
        if (CanTakeFocus(items[i])) order.push_back(static_cast<int>(i));
    return order;
}

MessageLayout LayOutMessage(const vbhost::MessageCall& call, int screenWidth, int screenHeight) {
    MessageLayout layout;
    layout.title = call.Title();
    layout.lines = call.Body();
    for (const std::string& button : call.buttons) layout.buttons.push_back(WithoutHotKey(button));

    const int margin = 3;  // background columns either side of the frame, with the inner space
    int maxContent = std::max(10, screenWidth - 2 * margin - 4);
    int buttonsWidth = -1;
    for (const std::string& button : layout.buttons) buttonsWidth += ButtonWidth(button) + 1;
    int content = std::max(buttonsWidth, static_cast<int>(layout.title.size()) + 2);
    for (const std::string& line : layout.lines) content = std::max(content, static_cast<int>(line.size()));
    content = std::min(content, maxContent);
    for (std::string& line : layout.lines)
        if (static_cast<int>(line.size()) > content) line.resize(static_cast<size_t>(content));
    if (static_cast<int>(layout.title.size()) > content) layout.title.resize(static_cast<size_t>(content));

    int rows = static_cast<int>(layout.lines.size()) + (layout.buttons.empty() ? 0 : 1);
    Rect& area = layout.area;
    area.width = content + 2 * margin + 2;
    area.height = rows + 4;
    area.left = std::max(0, (screenWidth - area.width) / 2);
    area.top = std::max(0, (screenHeight - area.height) / 2);
    if (call.flags & FMSG_DOWN) area.top = std::min(std::max(0, screenHeight - area.height), screenHeight / 2 + 1);
    layout.frame = {area.left + margin - 1, area.top + 1, area.width - 2 * margin + 2, area.height - 2};

    int inner = layout.frame.left + 2;
    for (size_t i = 0; i < layout.lines.size(); ++i) {
        int length = static_cast<int>(layout.lines[i].size());
        layout.lineX.push_back((call.flags & FMSG_LEFTALIGN) ? inner : inner + (content - length) / 2);
    }
    if (!layout.buttons.empty()) {
        layout.buttonY = layout.frame.top + 1 + static_cast<int>(layout.lines.size());
        int x = inner + (content - buttonsWidth) / 2;
        for (const std::string& button : layout.buttons) {
            layout.buttonX.push_back(x);
            x += ButtonWidth(button) + 1;
        }
    }
    return layout;
}

}  // namespace vbterm
