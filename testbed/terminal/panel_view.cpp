#include "panel_view.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "oem_text.h"

namespace vbterm {

namespace {

// Top border, column heads, items, rule, current item, bottom border.
constexpr int kPanelChrome = 5;
constexpr int kSizeWidth = 10;
constexpr int kDateWidth = 8;

bool IsDirectory(const PluginPanelItem& item) { return item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY; }

// Taken as two numbers: the item's times are members of a 2-byte-packed record.
std::string DateColumn(DWORD high, DWORD low) {
    uint64_t ticks = (static_cast<uint64_t>(high) << 32) | low;
    if (ticks == 0) return std::string(kDateWidth, ' ');
    std::time_t seconds = static_cast<std::time_t>(ticks / 10000000ULL) - 11644473600LL;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[16];
    std::strftime(text, sizeof text, "%d.%m.%y", &local);
    return text;
}

std::string Padded(const std::string& text, int width, bool right) {
    std::string cut = text.size() > static_cast<size_t>(width) ? text.substr(0, static_cast<size_t>(width)) : text;
    std::string pad(static_cast<size_t>(width) - cut.size(), ' ');
    return right ? pad + cut : cut + pad;
}

// A name too long for its column ends in '}', as in the host.
std::string NameColumn(const std::string& oem, int width) {
    if (static_cast<int>(oem.size()) <= width) return Padded(oem, width, false);
    return oem.substr(0, static_cast<size_t>(width - 1)) + "}";
}

std::string PanelTitle(const vbhost::Host::Panel& panel) { return panel.plugin ? panel.title : panel.dir; }

void DrawTitle(Terminal& terminal, const Rect& frame, const std::string& oem, bool active) {
    int room = frame.width - 4;
    std::string title = oem;
    if (static_cast<int>(title.size()) > room) title = "..." + title.substr(title.size() - static_cast<size_t>(room - 3));
    title = " " + title + " ";
    int x = frame.left + (frame.width - static_cast<int>(title.size())) / 2;
    terminal.PutOem(frame.top, x, title, active ? Colour::PanelTitleActive : Colour::PanelTitle);
}

struct Columns {
    int name, size, date;  // widths; date 0 when there is no room
};

Columns ColumnsOf(int inner) {
    Columns columns{0, kSizeWidth, kDateWidth};
    if (inner < 40) columns.date = 0;
    columns.name = inner - columns.size - 1 - (columns.date ? columns.date + 1 : 0);
    return columns;
}

std::string ItemRow(const PluginPanelItem& item, const Columns& columns) {
    std::string row = NameColumn(item.FindData.cFileName, columns.name) + "\xB3" + SizeColumn(item, columns.size);
    if (columns.date) row += "\xB3" + DateColumn(item.FindData.ftLastWriteTime.dwHighDateTime, item.FindData.ftLastWriteTime.dwLowDateTime);
    return row;
}

Colour ItemColour(const PluginPanelItem& item, bool cursor) {
    bool selected = item.Flags & PPIF_SELECTED;
    if (cursor) return selected ? Colour::PanelCursorSelected : Colour::PanelCursor;
    if (selected) return Colour::PanelSelected;
    return IsDirectory(item) ? Colour::PanelDirectory : Colour::Panel;
}

std::string SelectionSummary(const vbhost::Host::Panel& panel) {
    uint64_t bytes = 0;
    int count = 0;
    for (const PluginPanelItem& item : panel.items) {
        if (!(item.Flags & PPIF_SELECTED)) continue;
        ++count;
        bytes += (static_cast<uint64_t>(item.FindData.nFileSizeHigh) << 32) | item.FindData.nFileSizeLow;
    }
    if (count == 0) return std::string();
    return " " + std::to_string(bytes) + " bytes in " + std::to_string(count) + (count == 1 ? " item " : " items ");
}

void DrawPanel(Terminal& terminal, vbhost::Host::Panel& panel, const Rect& frame, bool active) {
    terminal.Fill(frame, Colour::Panel);
    terminal.Frame(frame, Line::Double, Colour::Panel);
    DrawTitle(terminal, frame, PanelTitle(panel), active);
    int inner = frame.width - 2;
    Columns columns = ColumnsOf(inner);
    int x = frame.left + 1;
    std::string heads = Padded(std::string((columns.name - 4) / 2, ' ') + "Name", columns.name, false) + "\xB3" +
                        Padded("Size   ", columns.size, true);
    if (columns.date) heads += "\xB3" + Padded("Date", columns.date, false);
    terminal.PutOem(frame.top + 1, x, heads, Colour::PanelTitle, inner);

    int rows = PanelItemRows(terminal.Height());
    ScrollToCursor(panel, rows);
    for (int row = 0; row < rows; ++row) {
        int y = frame.top + 2 + row;
        int index = panel.top + row;
        if (index >= static_cast<int>(panel.items.size())) {
            std::string empty = std::string(static_cast<size_t>(columns.name), ' ') + "\xB3" + std::string(static_cast<size_t>(columns.size), ' ');
            if (columns.date) empty += "\xB3";
            terminal.PutOem(y, x, empty, Colour::Panel, inner);
            continue;
        }
        const PluginPanelItem& item = panel.items[static_cast<size_t>(index)];
        terminal.PutOem(y, x, ItemRow(item, columns), ItemColour(item, active && index == panel.current), inner);
    }
    int ruleY = frame.Bottom() - 2;
    terminal.Rule(ruleY, frame.left, frame.Right(), Line::Double, Colour::Panel);
    if (panel.current >= 0 && panel.current < static_cast<int>(panel.items.size())) {
        const PluginPanelItem& item = panel.items[static_cast<size_t>(panel.current)];
        std::string size = SizeColumn(item, kSizeWidth);
        terminal.PutOem(ruleY + 1, x, NameColumn(item.FindData.cFileName, inner - kSizeWidth - 1) + " " + size,
                        Colour::Panel, inner);
    }
    std::string summary = SelectionSummary(panel);
    if (!summary.empty())
        terminal.Put(frame.Bottom(), frame.left + (frame.width - static_cast<int>(summary.size())) / 2, summary,
                     Colour::PanelSelected);
}

void DrawKeyBar(Terminal& terminal, int y) {
    static const char* const labels[] = {"Help", "", "", "", "Copy", "RenMov", "MkFold", "Delete",
                                         "Disks", "Quit", "Plugin", "Config"};
    int width = terminal.Width();
    int slots = width >= 96 ? 12 : 10;
    int slot = width / slots;
    for (int i = 0; i < slots; ++i) {
        int x = i * slot;
        std::string number = std::to_string(i + 1);
        terminal.Put(y, x, number, Colour::KeyNumber);
        int room = (i == slots - 1 ? width - x : slot) - static_cast<int>(number.size());
        terminal.Put(y, x + static_cast<int>(number.size()), Padded(labels[i], room, false), Colour::KeyLabel, room);
    }
}

}  // namespace

int PanelItemRows(int screenHeight) { return std::max(1, screenHeight - 2 - kPanelChrome); }

void ScrollToCursor(vbhost::Host::Panel& panel, int rows) {
    int count = static_cast<int>(panel.items.size());
    panel.current = std::max(0, std::min(panel.current, count - 1));
    if (panel.current < panel.top) panel.top = panel.current;
    if (panel.current >= panel.top + rows) panel.top = panel.current - rows + 1;
    panel.top = std::max(0, std::min(panel.top, std::max(0, count - rows)));
}

std::string SizeColumn(const PluginPanelItem& item, int width) {
    if (std::strcmp(item.FindData.cFileName, "..") == 0) return Padded("Up", width, true);
    if (IsDirectory(item)) return Padded("Folder", width, true);
    uint64_t size = (static_cast<uint64_t>(item.FindData.nFileSizeHigh) << 32) | item.FindData.nFileSizeLow;
    std::string text = std::to_string(size);
    if (static_cast<int>(text.size()) > width) text = std::to_string(size >> 10) + "K";
    if (static_cast<int>(text.size()) > width) text = std::to_string(size >> 20) + "M";
    return Padded(text, width, true);
}

void DrawMainScreen(Terminal& terminal, vbhost::Host& host, const std::string& status) {
    int width = terminal.Width(), height = terminal.Height();
    int left = width / 2;
    Rect frames[2] = {{0, 0, left, height - 2}, {left, 0, width - left, height - 2}};
    for (int i = 0; i < 2; ++i) DrawPanel(terminal, host.PanelAt(i), frames[i], host.ActivePanel() == i);

    terminal.Fill({0, height - 2, width, 1}, Colour::CommandLine);
    if (!status.empty()) {
        terminal.Put(height - 2, 0, status, Colour::CommandLine, width);
    } else {
        const vbhost::Host::Panel& panel = host.Active();
        terminal.PutOem(height - 2, 0, (panel.plugin ? panel.curDir : panel.dir) + ">", Colour::CommandLine, width);
    }
    DrawKeyBar(terminal, height - 1);
    terminal.HideCursor();
    terminal.Refresh();
}

}  // namespace vbterm
