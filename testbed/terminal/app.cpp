#include "app.h"

#include <algorithm>
#include <cstring>
#include <cstdlib>

#include "device_control.h"
#include "oem_text.h"
#include "panel_view.h"
#include "violations.h"

namespace vbterm {

namespace {

FarDialogItem DialogItem(int type, int x1, int y1, int x2, int y2, const std::string& oem, DWORD flags = 0) {
    FarDialogItem item;
    std::memset(&item, 0, sizeof item);
    item.Type = type;
    item.X1 = x1;
    item.Y1 = y1;
    item.X2 = x2;
    item.Y2 = y2;
    item.Flags = flags;
    std::strncpy(item.Data, oem.c_str(), sizeof item.Data - 1);
    return item;
}

std::string Utf8OfDevice(const vbdevice::DeviceString& text) {
    if (text.empty()) return std::string();
    int length = static_cast<int>(text.size());
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &out[0], size, nullptr, nullptr);
    return out;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    size_t start = text.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : text.substr(start);
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

void App::Draw() {
    auto hold = terminal_.Lock();
    DrawMainScreen(terminal_, host_, status_);
}

void App::Run() {
    Draw();
    for (;;) {
        Key key;
        if (!terminal_.NextKey(0, key, 1000)) continue;
        if (key.resize) {
            auto hold = terminal_.Lock();
            terminal_.Clear();
        } else {
            status_.clear();
            if (!Handle(key)) return;
            ReportViolations();
        }
        Draw();
    }
}

// What the host would not accept shows on the command line.
void App::ReportViolations() {
    std::vector<std::string> violations = vbhost::TakeViolations();
    if (!violations.empty()) status_ = "host: " + violations.back();
}

bool App::PluginPanelActive(const char* what) {
    if (host_.Active().plugin) return true;
    status_ = std::string(what) + " works on the device panel here";
    return false;
}

bool App::Handle(const Key& key) {
    vbhost::Host::Panel& panel = host_.Active();
    int rows = PanelItemRows(terminal_.Height());
    if (key.Is(vk::F(10))) return false;
    if (key.Is(vk::Tab)) host_.SetActivePanel(1 - host_.ActivePanel());
    else if (key.Is(vk::Up)) MoveCursor(panel.current - 1);
    else if (key.Is(vk::Down)) MoveCursor(panel.current + 1);
    else if (key.Is(vk::PageUp) || key.Is(vk::Left)) MoveCursor(panel.current - rows);
    else if (key.Is(vk::PageDown) || key.Is(vk::Right)) MoveCursor(panel.current + rows);
    else if (key.Is(vk::Home)) MoveCursor(0);
    else if (key.Is(vk::End)) MoveCursor(static_cast<int>(panel.items.size()) - 1);
    else if (key.Is(vk::Insert)) ToggleSelection();
    else if (key.Is(vk::Return)) Enter();
    else if (key.Is(vk::F(5))) Copy(false);
    else if (key.Is(vk::F(6))) Copy(true);
    else if (key.Is(vk::F(5), Shift)) ShiftCopy(false);
    else if (key.Is(vk::F(6), Shift)) ShiftCopy(true);
    else if (key.Is(vk::F(7))) MakeFolder();
    else if (key.Is(vk::F(8)) || key.Is(vk::Delete, Shift)) Delete();
    else if (key.Is(vk::F1, Alt)) DisksMenu(0);
    else if (key.Is(vk::F(2), Alt)) DisksMenu(1);
    else if (key.Is(vk::F(9)) || key.Is('D', Control)) DisksMenu(host_.ActivePanel());
    else if (key.Is(vk::F(11))) PluginsMenu();
    else if (key.Is(vk::F(12)) || key.Is(vk::F(9), Alt | Shift)) ChooseConfiguration();
    else if (key.Is(vk::F1)) ui_.ShowHelp("Contents");
    else if (key.Is('R', Control)) {
        ModuleCall call(terminal_);
        for (int i = 0; i < 2; ++i) host_.ReadPluginPanel(i, true);
    } else if (!key.resize) {
        status_ = key.Name() + ": not a key of this host";
    }
    return true;
}

void App::MoveCursor(int to) {
    vbhost::Host::Panel& panel = host_.Active();
    int last = static_cast<int>(panel.items.size()) - 1;
    panel.current = std::max(0, std::min(to, last));
}

void App::ToggleSelection() {
    vbhost::Host::Panel& panel = host_.Active();
    if (panel.items.empty()) return;
    PluginPanelItem& item = panel.items[static_cast<size_t>(panel.current)];
    if (std::strcmp(item.FindData.cFileName, "..") != 0) item.Flags ^= PPIF_SELECTED;
    MoveCursor(panel.current + 1);
}

void App::Enter() {
    if (!host_.Active().plugin) {
        host_.PressEnter();
        return;
    }
    size_t opened = host_.FilesRun().size();
    size_t started = vbdevice::LaunchedPrograms().size();
    {
        ModuleCall call(terminal_);
        host_.PressEnter();
    }
    std::vector<vbhost::Host::RunFile> files = host_.FilesRun();
    std::vector<vbdevice::DeviceString> programs = vbdevice::LaunchedPrograms();
    if (programs.size() > started) status_ = "Started on the device: " + Utf8OfDevice(programs.back());
    else if (files.size() > opened)
        status_ = "Opened " + ShownText(files.back().name) + " (" + std::to_string(files.back().content.size()) +
                  " bytes) from a temporary copy";
}

void App::Copy(bool move) {
    vbhost::Host::Panel& other = host_.PanelAt(1 - host_.ActivePanel());
    if (host_.Active().plugin) {
        if (other.plugin) {
            status_ = "Both panels show the device: copy to a local panel";
            return;
        }
        ModuleCall call(terminal_);
        host_.PressCopy(move);
        return;
    }
    if (!other.plugin) {
        status_ = "Copying between two local panels is not part of this host";
        return;
    }
    CopyOntoPlugin(move);
}

// The host's own copy dialog comes first; its target reads "<Format>:"
// and the plug-in is asked only when the user leaves it so.
void App::CopyOntoPlugin(bool move) {
    vbhost::Host::Panel& panel = host_.Active();
    int selected = 0;
    for (const PluginPanelItem& item : panel.items) selected += (item.Flags & PPIF_SELECTED) ? 1 : 0;
    std::string subject;
    if (selected > 0) {
        subject = std::to_string(selected) + (selected == 1 ? " item" : " items");
    } else {
        std::string name = host_.CurrentName();
        if (name.empty() || name == "..") return;
        subject = "\"" + name + "\"";
    }
    std::string target = host_.PanelAt(1 - host_.ActivePanel()).format + ":";
    std::vector<FarDialogItem> items = {
        DialogItem(DI_DOUBLEBOX, 3, 1, 72, 6, move ? "Rename/Move" : "Copy"),
        DialogItem(DI_TEXT, 5, 2, 0, 0, (move ? "Move " : "Copy ") + subject + " to:"),
        DialogItem(DI_EDIT, 5, 3, 70, 3, target),
        DialogItem(DI_TEXT, 5, 4, 0, 0, "", DIF_SEPARATOR),
        DialogItem(DI_BUTTON, 0, 5, 0, 0, move ? "Move" : "Copy", DIF_CENTERGROUP),
        DialogItem(DI_BUTTON, 0, 5, 0, 0, "Cancel", DIF_CENTERGROUP),
    };
    items[2].Focus = 1;
    items[4].DefaultButton = 1;
    vbhost::DialogCall record;
    record.x1 = record.y1 = -1;
    record.x2 = 76;
    record.y2 = 8;
    record.itemsIn = items;
    vbhost::RunningDialog dialog(record, items.data(), nullptr, 0);
    RunDialogBox(terminal_, dialog, ui_.Help());
    if (!dialog.IsClosed()) dialog.Esc();
    if (dialog.Result() != 4) return;
    if (!SameText(Trimmed(dialog.Text(2)), target)) {
        status_ = "This host copies onto the device panel only: leave the target as " + ShownText(target);
        return;
    }
    ModuleCall call(terminal_);
    host_.PressCopy(move);
}

void App::ShiftCopy(bool move) {
    if (!PluginPanelActive(move ? "Shift+F6" : "Shift+F5")) return;
    ModuleCall call(terminal_);
    host_.PressShiftCopy(move);
}

void App::MakeFolder() {
    if (!PluginPanelActive("F7")) return;
    ModuleCall call(terminal_);
    host_.PressF7();
}

void App::Delete() {
    if (!PluginPanelActive("F8")) return;
    ModuleCall call(terminal_);
    host_.PressF8();
}

void App::OpenPlugin(int side, bool fromDisks) {
    host_.SetActivePanel(side);
    ModuleCall call(terminal_);
    if (host_.Active().plugin) host_.ClosePluginPanel();
    bool opened = fromDisks ? host_.OpenFromDiskMenu() : host_.OpenFromPluginsMenu();
    if (!opened) status_ = "The plug-in opened no panel";
}

void App::DisksMenu(int side) {
    std::vector<std::string> folders = localFolders_;
    const char* home = std::getenv("HOME");
    if (home && *home) folders.push_back(TypedText(home));
    folders.push_back("/");
    std::vector<std::string> unique;
    for (const std::string& folder : folders)
        if (std::find(unique.begin(), unique.end(), folder) == unique.end()) unique.push_back(folder);

    vbhost::Host::MenuEntries menus;
    {
        ModuleCall call(terminal_);
        menus = host_.QueryMenus();
    }
    std::vector<MenuEntry> entries;
    const vbhost::Host::Panel& panel = host_.PanelAt(side);
    int selected = 0;
    for (const std::string& folder : unique) {
        if (!panel.plugin && folder == panel.dir) selected = static_cast<int>(entries.size());
        entries.push_back({"", ShownText(folder)});
    }
    size_t firstPlugin = entries.size();
    if (!menus.diskMenu.empty()) entries.push_back({"", "", true});
    for (size_t i = 0; i < menus.diskMenu.size(); ++i) {
        int digit = menus.diskNumbers[i];
        if (panel.plugin) selected = static_cast<int>(entries.size());
        entries.push_back({digit > 0 && digit <= 9 ? std::to_string(digit) : "", ShownText(menus.diskMenu[i])});
    }
    int chosen = RunMenu(terminal_, side == 0 ? "Left panel: disks" : "Right panel: disks", entries, selected, ui_.Help());
    if (chosen < 0) return;
    if (static_cast<size_t>(chosen) < unique.size()) {
        host_.SetActivePanel(side);
        ModuleCall call(terminal_);
        host_.SetLocalPanel(side, unique[static_cast<size_t>(chosen)]);
        return;
    }
    if (static_cast<size_t>(chosen) > firstPlugin) OpenPlugin(side, true);
}

void App::PluginsMenu() {
    vbhost::Host::MenuEntries menus;
    {
        ModuleCall call(terminal_);
        menus = host_.QueryMenus();
    }
    std::vector<MenuEntry> entries;
    for (size_t i = 0; i < menus.pluginMenu.size(); ++i)
        entries.push_back({std::to_string(i + 1), ShownText(menus.pluginMenu[i])});
    size_t firstConfig = entries.size() + (entries.empty() ? 0 : 1);
    if (!entries.empty() && !menus.configMenu.empty()) entries.push_back({"", "", true});
    for (const std::string& config : menus.configMenu) entries.push_back({"", "Configure: " + ShownText(config)});
    if (entries.empty()) {
        status_ = "The plug-in offers no menu entries";
        return;
    }
    int chosen = RunMenu(terminal_, "Plugin commands", entries, 0, ui_.Help());
    if (chosen < 0) return;
    if (static_cast<size_t>(chosen) < menus.pluginMenu.size()) OpenPlugin(host_.ActivePanel(), false);
    else if (static_cast<size_t>(chosen) >= firstConfig) Configure(chosen - static_cast<int>(firstConfig));
}

void App::ChooseConfiguration() {
    vbhost::Host::MenuEntries menus;
    {
        ModuleCall call(terminal_);
        menus = host_.QueryMenus();
    }
    if (menus.configMenu.empty()) {
        status_ = "The plug-in has nothing to configure";
        return;
    }
    if (menus.configMenu.size() == 1) {
        Configure(0);
        return;
    }
    std::vector<MenuEntry> entries;
    for (const std::string& config : menus.configMenu) entries.push_back({"", ShownText(config)});
    int chosen = RunMenu(terminal_, "Plugins configuration", entries, 0, ui_.Help());
    if (chosen >= 0) Configure(chosen);
}

void App::Configure(int entry) {
    ModuleCall call(terminal_);
    if (host_.Module().Configure(entry)) status_ = "Settings saved";
}

}  // namespace vbterm
