// Vertical menus: the disks menu and the plug-ins menu.
#include <algorithm>
#include <cctype>

#include "oem_text.h"
#include "views.h"

namespace vbterm {

namespace {

bool Selectable(const std::vector<MenuEntry>& entries, int index) {
    return index >= 0 && index < static_cast<int>(entries.size()) && !entries[static_cast<size_t>(index)].separator;
}

int Step(const std::vector<MenuEntry>& entries, int from, int step) {
    int count = static_cast<int>(entries.size());
    for (int i = 1; i <= count; ++i) {
        int at = ((from + step * i) % count + count) % count;
        if (Selectable(entries, at)) return at;
    }
    return from;
}

void DrawMenu(Terminal& terminal, const std::string& title, const std::vector<MenuEntry>& entries, int selected) {
    int hotWidth = 0, textWidth = Utf8Cells(title) + 2;
    for (const MenuEntry& entry : entries) {
        hotWidth = std::max(hotWidth, Utf8Cells(entry.hotKey));
        textWidth = std::max(textWidth, Utf8Cells(entry.text));
    }
    int inner = (hotWidth ? hotWidth + 2 : 0) + textWidth + 2;
    Rect frame{0, 0, inner + 2, static_cast<int>(entries.size()) + 2};
    frame.left = std::max(0, (terminal.Width() - frame.width) / 2);
    frame.top = std::max(0, (terminal.Height() - frame.height) / 2);
    terminal.Fill(frame, Colour::Dialog);
    terminal.Frame(frame, Line::Double, Colour::Dialog);
    terminal.Put(frame.top, frame.left + (frame.width - Utf8Cells(title) - 2) / 2, " " + title + " ", Colour::Dialog);
    for (size_t i = 0; i < entries.size(); ++i) {
        int y = frame.top + 1 + static_cast<int>(i);
        const MenuEntry& entry = entries[i];
        if (entry.separator) {
            terminal.Rule(y, frame.left, frame.Right(), Line::Double, Colour::Dialog);
            continue;
        }
        Colour colour = static_cast<int>(i) == selected ? Colour::DialogFocus : Colour::Dialog;
        std::string line = " ";
        if (hotWidth) line += entry.hotKey + std::string(static_cast<size_t>(hotWidth - Utf8Cells(entry.hotKey) + 2), ' ');
        line += entry.text;
        terminal.Fill({frame.left + 1, y, inner, 1}, colour);
        terminal.Put(y, frame.left + 1, line, colour, inner);
    }
    terminal.HideCursor();
    terminal.Refresh();
}

int EntryOfHotKey(const std::vector<MenuEntry>& entries, const Key& key) {
    if (!key.IsText()) return -1;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string& hot = entries[i].hotKey;
        if (!entries[i].separator && hot.size() == key.text.size() &&
            std::equal(hot.begin(), hot.end(), key.text.begin(),
                       [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)); }))
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

int RunMenu(Terminal& terminal, const std::string& title, const std::vector<MenuEntry>& entries, int selected,
            const HelpRequest& help) {
    if (entries.empty()) return -1;
    if (!Selectable(entries, selected)) selected = Step(entries, -1, 1);
    ModalScope scope(terminal);
    bool redraw = true;
    for (;;) {
        if (redraw) {
            auto hold = terminal.Lock();
            DrawMenu(terminal, title, entries, selected);
        }
        Key key;
        redraw = terminal.NextKey(scope.Frame(), key, 500);
        if (!redraw) continue;
        if (key.Is(vk::Return)) return selected;
        if (key.Is(vk::Escape) || key.Is(vk::F(10))) return -1;
        if (key.Is(vk::Up)) selected = Step(entries, selected, -1);
        else if (key.Is(vk::Down)) selected = Step(entries, selected, 1);
        else if (key.Is(vk::Home)) selected = Step(entries, -1, 1);
        else if (key.Is(vk::End)) selected = Step(entries, 0, -1);
        else if (key.Is(vk::F1) && help) help(std::string());
        else if (int chosen = EntryOfHotKey(entries, key); chosen >= 0) return chosen;
    }
}

}  // namespace vbterm
