// The host's panels: reading a plug-in panel, Control, the directory lists
// and the user's actions, as the host performs them.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "host.h"
#include "local_folder.h"
#include "standard_functions.h"
#include "violations.h"

namespace vbhost {

namespace fs = std::filesystem;

static PluginPanelItem MakeItem(const FAR_FIND_DATA& data) {
    PluginPanelItem item;
    std::memset(&item, 0, sizeof item);
    item.FindData = data;
    return item;
}

static PluginPanelItem DotsItem() {
    FAR_FIND_DATA data;
    std::memset(&data, 0, sizeof data);
    data.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    std::strcpy(data.cFileName, "..");
    return MakeItem(data);
}

static bool IsDirectory(const PluginPanelItem& item) {
    return (item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

static bool SameName(const std::string& a, const std::string& b) {
    return HostLStricmp(a.c_str(), b.c_str()) == 0;
}

int Host::PanelOfHandle(HANDLE plugin) const {
    if (plugin == INVALID_HANDLE_VALUE) return active_;
    for (int i = 0; i < 2; ++i)
        if (panels_[i].plugin && panels_[i].handle == plugin) return i;
    return -1;
}

void Host::DescribePlugin(Panel& panel) {
    OpenPluginInfo info;
    std::memset(&info, 0, sizeof info);
    module_.Exports().GetOpenPluginInfo(panel.handle, &info);
    panel.curDir = info.CurDir ? info.CurDir : "";
    panel.title = info.PanelTitle ? info.PanelTitle : "";
    panel.format = info.Format ? info.Format : "";
    panel.flags = info.Flags;
}

void Host::SetLocalPanel(int index, const std::string& dir) {
    if (panels_[index].plugin) ClosePluginOf(index);
    panels_[index].dir = AbsoluteLocalPath(dir);
    panels_[index].current = 0;
    ReadLocalPanel(index);
}

void Host::ReadLocalPanel(int index) {
    Panel& panel = panels_[index];
    std::vector<FAR_FIND_DATA> entries;
    ListLocalFolder(panel.dir, entries);
    std::sort(entries.begin(), entries.end(), [](const FAR_FIND_DATA& a, const FAR_FIND_DATA& b) {
        bool aDir = a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        bool bDir = b.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (aDir != bDir) return aDir;
        return std::strcmp(a.cFileName, b.cFileName) < 0;
    });
    std::vector<std::string> selected;
    for (const PluginPanelItem& item : panel.items)
        if (item.Flags & PPIF_SELECTED) selected.push_back(item.FindData.cFileName);
    std::string current = CurrentName();
    panel.items.clear();
    if (!ParentLocalPath(panel.dir).empty()) panel.items.push_back(DotsItem());
    for (const FAR_FIND_DATA& entry : entries) {
        PluginPanelItem item = MakeItem(entry);
        if (std::find(selected.begin(), selected.end(), entry.cFileName) != selected.end())
            item.Flags |= PPIF_SELECTED;
        panel.items.push_back(item);
    }
    if (index == active_ && !SetCursor(current)) panel.current = 0;
}

void Host::ReadPluginPanel(int index, bool keepSelection) {
    Panel& panel = panels_[index];
    if (!panel.plugin) {
        ReadLocalPanel(index);
        return;
    }
    std::vector<std::string> selected;
    for (const PluginPanelItem& item : panel.items)
        if (item.Flags & PPIF_SELECTED) selected.push_back(item.FindData.cFileName);
    std::string current =
        panel.current < static_cast<int>(panel.items.size()) ? panel.items[panel.current].FindData.cFileName : "";

    DescribePlugin(panel);
    PluginPanelItem* items = nullptr;
    int count = 0;
    if (!module_.Exports().GetFindData(panel.handle, &items, &count, 0)) {
        // The host closes a plug-in that cannot give its items, once the
        // module's current call has returned.
        panel.closeRequested = true;
        panel.closeDir = panel.dir;
        return;
    }
    std::vector<PluginPanelItem> shown;
    if (panel.flags & OPIF_ADDDOTS) shown.push_back(DotsItem());
    for (int i = 0; i < count; ++i) {
        PluginPanelItem item = MakeItem(items[i].FindData);
        if (keepSelection &&
            std::find(selected.begin(), selected.end(), item.FindData.cFileName) != selected.end())
            item.Flags |= PPIF_SELECTED;
        shown.push_back(item);
    }
    module_.Exports().FreeFindData(panel.handle, items, count);
    DescribePlugin(panel);
    panel.items = shown;
    panel.current = 0;
    for (size_t i = 0; i < panel.items.size(); ++i)
        if (panel.items[i].FindData.cFileName == current) panel.current = static_cast<int>(i);
}

bool Host::OpenPluginOn(int openFrom) {
    HANDLE handle = module_.Exports().OpenPlugin(openFrom, 0);
    if (handle == INVALID_HANDLE_VALUE) return false;
    if (handle == nullptr) {
        ReportViolation("OpenPlugin returned 0, which the host takes as an illegal value");
        return false;
    }
    Panel& panel = Active();
    panel.plugin = true;
    panel.handle = handle;
    panel.items.clear();
    panel.current = 0;
    DescribePlugin(panel);
    DescribePlugin(panel);
    ReadPluginPanel(active_, false);
    FinishPendingClose(active_);
    return true;
}

bool Host::OpenFromDiskMenu() { return OpenPluginOn(OPEN_DISKMENU); }

bool Host::OpenFromPluginsMenu() { return OpenPluginOn(OPEN_PLUGINSMENU); }

void Host::ClosePluginOf(int index) {
    Panel& panel = panels_[index];
    if (!panel.plugin) return;
    panel.closing = true;
    module_.Exports().ClosePlugin(panel.handle);
    panel.closing = false;
    panel.plugin = false;
    panel.handle = nullptr;
    panel.closeRequested = false;
    panel.current = 0;
    ReadLocalPanel(index);
}

void Host::ClosePluginPanel() { ClosePluginOf(active_); }

void Host::FinishPendingClose(int index) {
    Panel& panel = panels_[index];
    if (!panel.plugin || !panel.closeRequested) return;
    std::string dir = panel.closeDir;
    ClosePluginOf(index);
    if (!dir.empty()) {
        panel.dir = dir;
        ReadLocalPanel(index);
    }
}

bool Host::SetCursor(const std::string& name) {
    Panel& panel = Active();
    for (size_t i = 0; i < panel.items.size(); ++i) {
        if (SameName(panel.items[i].FindData.cFileName, name)) {
            panel.current = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

std::string Host::CurrentName() {
    Panel& panel = Active();
    if (panel.current < 0 || panel.current >= static_cast<int>(panel.items.size())) return std::string();
    return panel.items[panel.current].FindData.cFileName;
}

void Host::Select(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        bool found = false;
        for (PluginPanelItem& item : Active().items) {
            if (SameName(item.FindData.cFileName, name) && name != "..") {
                item.Flags |= PPIF_SELECTED;
                found = true;
            }
        }
        if (!found) ReportViolation("the test selected " + name + ", which the panel does not show");
    }
}

void Host::ClearSelection() {
    for (PluginPanelItem& item : Active().items) item.Flags &= ~PPIF_SELECTED;
}

std::vector<std::string> Host::SelectedNames() {
    std::vector<std::string> names;
    for (const PluginPanelItem& item : Active().items)
        if (item.Flags & PPIF_SELECTED) names.push_back(item.FindData.cFileName);
    return names;
}

std::vector<std::string> Host::ItemNames() {
    std::vector<std::string> names;
    for (const PluginPanelItem& item : Active().items) names.push_back(item.FindData.cFileName);
    return names;
}

const PluginPanelItem* Host::FindItem(const std::string& name) {
    for (const PluginPanelItem& item : Active().items)
        if (SameName(item.FindData.cFileName, name)) return &item;
    return nullptr;
}

void Host::PressEnter() {
    Panel& panel = Active();
    if (panel.items.empty()) return;
    PluginPanelItem item = panel.items[panel.current];
    std::string name = item.FindData.cFileName;
    if (!panel.plugin) {
        if (!IsDirectory(item)) return;
        std::string left = LocalPathName(panel.dir);
        panel.dir = name == ".." ? ParentLocalPath(panel.dir) : JoinLocalPath(panel.dir, name);
        panel.current = 0;
        ReadLocalPanel(active_);
        if (name == "..") SetCursor(left);
        return;
    }
    if (module_.Exports().ProcessKey(panel.handle, VK_RETURN, 0)) {
        ReadPluginPanel(active_, true);
        return;
    }
    if (!IsDirectory(item)) {
        RunPluginFile(item);
        return;
    }
    std::string left = LocalPathName(panel.curDir);
    int changed = module_.Exports().SetDirectory(panel.handle, name.c_str(), 0);
    if (panel.closeRequested) {
        FinishPendingClose(active_);
        return;
    }
    ReadPluginPanel(active_, !changed);
    if (changed) {
        panel.current = 0;
        if (name == "..") SetCursor(left);
    }
    FinishPendingClose(active_);
}

int Host::PressF7() {
    Panel& panel = Active();
    if (!panel.plugin) {
        ReportViolation("F7 on a local panel is not served by this host");
        return 0;
    }
    if (module_.Exports().ProcessKey(panel.handle, VK_F7, 0)) {
        ReadPluginPanel(active_, true);
        return 0;
    }
    char name[260] = "";
    ++hostScreens_;
    int result = module_.Exports().MakeDirectory(panel.handle, name, 0);
    --hostScreens_;
    if (panel.closeRequested) {
        FinishPendingClose(active_);
        return result;
    }
    ReadPluginPanel(active_, true);
    if (result == 1) {
        std::string made = LocalPathName(name);
        SetCursor(made);
    } else if (result == 0) {
        const char* items[] = {"Error", "Cannot create the folder", name, "Ok"};
        ShowMessage(FMSG_WARNING | FMSG_ERRORTYPE, nullptr, items, 4, 1);
    }
    FinishPendingClose(active_);
    return result;
}

int Host::Control(HANDLE plugin, int command, void* param) {
    Count(Service::Control);
    int index = PanelOfHandle(plugin);
    ControlCall call;
    call.panel = index;
    call.command = command;
    call.hasParam = param != nullptr;
    if (command == FCTL_REDRAWPANEL && param) call.redraw = *static_cast<PanelRedrawInfo*>(param);
    if ((command == FCTL_CLOSEPLUGIN || command == FCTL_SETPANELDIR) && param)
        call.dir = static_cast<const char*>(param);
    {
        std::lock_guard<std::mutex> hold(lock_);
        controlCalls_.push_back(call);
    }
    if (index < 0) return FALSE;
    Panel& panel = panels_[index];
    switch (command) {
        case FCTL_GETPANELINFO: {
            PanelInfo* info = static_cast<PanelInfo*>(param);
            if (!info) return FALSE;
            std::memset(info, 0, sizeof *info);
            info->PanelType = PTYPE_FILEPANEL;
            info->Plugin = panel.plugin ? 1 : 0;
            panel.infoItems = panel.items;
            info->PanelItems = panel.infoItems.empty() ? nullptr : panel.infoItems.data();
            info->ItemsNumber = static_cast<int>(panel.infoItems.size());
            info->CurrentItem = panel.current;
            info->TopPanelItem = panel.top;
            info->Visible = 1;
            info->Focus = index == active_;
            std::string dir = panel.dir;
            if (panel.plugin) {
                DescribePlugin(panel);
                dir = panel.curDir;
            }
            std::strncpy(info->CurDir, dir.c_str(), sizeof info->CurDir - 1);
            return TRUE;
        }
        case FCTL_UPDATEPANEL:
            if (!param) ClearSelectionOf(index);
            ReadPluginPanel(index, param != nullptr);
            return TRUE;
        case FCTL_REDRAWPANEL:
            if (param) {
                const PanelRedrawInfo* redraw = static_cast<const PanelRedrawInfo*>(param);
                int last = static_cast<int>(panel.items.size()) - 1;
                panel.current = std::max(0, std::min(redraw->CurrentItem, last));
                panel.top = std::max(0, std::min(redraw->TopPanelItem, last));
            }
            return TRUE;
        case FCTL_CLOSEPLUGIN:
            if (!panel.plugin) return FALSE;
            panel.closeRequested = true;
            panel.closeDir = param ? static_cast<const char*>(param) : "";
            return TRUE;
        case FCTL_SETPANELDIR: {
            if (!param) return FALSE;
            std::string dir = static_cast<const char*>(param);
            if (panel.plugin && panel.closing) {
                panel.dir = dir;  // shown once the plug-in has closed
                return TRUE;
            }
            if (panel.plugin) ClosePluginOf(index);
            panel.dir = dir;
            ReadLocalPanel(index);
            return TRUE;
        }
        default:
            ReportViolation("Control " + std::to_string(command) + " is not served by this host");
            return FALSE;
    }
}

void Host::ClearSelectionOf(int index) {
    for (PluginPanelItem& item : panels_[index].items) item.Flags &= ~PPIF_SELECTED;
}

std::vector<Host::ControlCall> Host::ControlCalls() const {
    std::lock_guard<std::mutex> hold(lock_);
    return controlCalls_;
}

static void SetItemName(PluginPanelItem& item, const std::string& name) {
    std::strncpy(item.FindData.cFileName, name.c_str(), sizeof item.FindData.cFileName - 1);
    item.FindData.cFileName[sizeof item.FindData.cFileName - 1] = 0;
}

bool Host::ListPluginLevel(HANDLE plugin, const std::string& prefix, std::vector<PluginPanelItem>& out) {
    PluginPanelItem* items = nullptr;
    int count = 0;
    if (!module_.Exports().GetFindData(plugin, &items, &count, OPM_FIND)) return true;
    for (int i = 0; i < count; ++i) {
        if (IsDirectory(items[i])) continue;
        PluginPanelItem item = MakeItem(items[i].FindData);
        SetItemName(item, prefix + items[i].FindData.cFileName);
        out.push_back(item);
    }
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        if (!IsDirectory(items[i])) continue;
        std::string name = items[i].FindData.cFileName;
        if (name == "." || name == "..") continue;
        PluginPanelItem item = MakeItem(items[i].FindData);
        SetItemName(item, prefix + name);
        out.push_back(item);
        if (module_.Exports().SetDirectory(plugin, name.c_str(), OPM_FIND)) {
            ok = ListPluginLevel(plugin, prefix + name + "\\", out);
            if (ok && !module_.Exports().SetDirectory(plugin, "..", OPM_FIND)) ok = false;
        }
    }
    module_.Exports().FreeFindData(plugin, items, count);
    return ok;
}

PluginPanelItem* Host::HandOutList(std::vector<PluginPanelItem>& list) {
    if (dirListFilter_) dirListFilter_(list);
    PluginPanelItem* array = new PluginPanelItem[list.empty() ? 1 : list.size()];
    std::copy(list.begin(), list.end(), array);
    std::lock_guard<std::mutex> hold(lock_);
    dirLists_.insert(array);
    return array;
}

void Host::SetDirListFilter(std::function<void(std::vector<PluginPanelItem>&)> filter) {
    dirListFilter_ = std::move(filter);
}

int Host::GetPluginDirList(HANDLE plugin, const char* dir, PluginPanelItem** items, int* count) {
    *items = nullptr;
    *count = 0;
    OpenPluginInfo info;
    std::memset(&info, 0, sizeof info);
    module_.Exports().GetOpenPluginInfo(plugin, &info);
    std::string kept = info.CurDir ? info.CurDir : "";
    if (!module_.Exports().SetDirectory(plugin, dir, OPM_FIND)) return TRUE;
    std::vector<PluginPanelItem> list;
    if (!ListPluginLevel(plugin, std::string(dir) + "\\", list)) return FALSE;
    module_.Exports().SetDirectory(plugin, "..", OPM_FIND);
    std::memset(&info, 0, sizeof info);
    module_.Exports().GetOpenPluginInfo(plugin, &info);
    if (HostLStricmp(info.CurDir ? info.CurDir : "", kept.c_str()) != 0) {
        PluginPanelItem* level = nullptr;
        int levelCount = 0;
        if (module_.Exports().GetFindData(plugin, &level, &levelCount, OPM_FIND))
            module_.Exports().FreeFindData(plugin, level, levelCount);
        module_.Exports().SetDirectory(plugin, kept.c_str(), OPM_FIND);
    }
    *items = HandOutList(list);
    *count = static_cast<int>(list.size());
    return TRUE;
}

// Files first, then each folder's entry followed by what it holds.
static void WalkLocalFolder(const std::string& folder, const std::string& prefix,
                            std::vector<PluginPanelItem>& out) {
    std::vector<FAR_FIND_DATA> entries;
    if (!ListLocalFolder(folder, entries)) return;
    for (const FAR_FIND_DATA& entry : entries) {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        PluginPanelItem item = MakeItem(entry);
        SetItemName(item, prefix + entry.cFileName);
        out.push_back(item);
    }
    for (const FAR_FIND_DATA& entry : entries) {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        PluginPanelItem item = MakeItem(entry);
        SetItemName(item, prefix + entry.cFileName);
        out.push_back(item);
        WalkLocalFolder(JoinLocalPath(folder, entry.cFileName), prefix + entry.cFileName + "\\", out);
    }
}

int Host::GetDirList(const char* dir, PluginPanelItem** items, int* count) {
    *items = nullptr;
    *count = 0;
    std::string absolute = AbsoluteLocalPath(dir);
    std::vector<PluginPanelItem> list;
    WalkLocalFolder(absolute, LocalPathName(absolute) + "\\", list);
    *items = HandOutList(list);
    *count = static_cast<int>(list.size());
    return TRUE;
}

void Host::FreeDirList(const PluginPanelItem* items) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (dirLists_.erase(items) == 0) {
            ReportViolation("FreeDirList of a list the host did not hand out");
            return;
        }
    }
    delete[] items;
}

int Host::OpenDirLists() const {
    std::lock_guard<std::mutex> hold(lock_);
    return static_cast<int>(dirLists_.size());
}

// ---- Copy, move, delete and Enter on a file ---------------------------------

std::vector<PluginPanelItem> Host::OperationItems(int index, bool currentOnly, std::vector<int>& positions) {
    Panel& panel = panels_[index];
    std::vector<PluginPanelItem> items;
    positions.clear();
    if (!currentOnly) {
        for (size_t i = 0; i < panel.items.size(); ++i) {
            if (!(panel.items[i].Flags & PPIF_SELECTED)) continue;
            items.push_back(panel.items[i]);
            items.back().Flags |= PPIF_SELECTED;
            positions.push_back(static_cast<int>(i));
        }
    }
    if (items.empty() && panel.current >= 0 && panel.current < static_cast<int>(panel.items.size())) {
        const PluginPanelItem& current = panel.items[panel.current];
        if (std::strcmp(current.FindData.cFileName, "..") != 0) {
            items.push_back(current);
            positions.push_back(panel.current);
        }
    }
    return items;
}

void Host::ApplySelectionResult(int index, const std::vector<PluginPanelItem>& items,
                                const std::vector<int>& positions, bool clearAll) {
    Panel& panel = panels_[index];
    if (clearAll) {
        ClearSelectionOf(index);
        return;
    }
    for (size_t i = 0; i < items.size(); ++i) {
        int at = positions[i];
        if (at < static_cast<int>(panel.items.size()) && !(items[i].Flags & PPIF_SELECTED))
            panel.items[at].Flags &= ~PPIF_SELECTED;
    }
}

// The module gets an array of the host's own, freed when the call returns,
// so that a module keeping or overrunning it is caught.
static std::unique_ptr<PluginPanelItem[]> HostCopy(const std::vector<PluginPanelItem>& items) {
    std::unique_ptr<PluginPanelItem[]> array(new PluginPanelItem[items.empty() ? 1 : items.size()]);
    std::copy(items.begin(), items.end(), array.get());
    return array;
}

int Host::CallGetFiles(int index, std::vector<PluginPanelItem>& items, int move, char* destPath, int opMode) {
    std::unique_ptr<PluginPanelItem[]> array = HostCopy(items);
    ++hostScreens_;
    int result = module_.Exports().GetFiles(panels_[index].handle, array.get(), static_cast<int>(items.size()),
                                            move, destPath, opMode);
    --hostScreens_;
    std::copy(array.get(), array.get() + items.size(), items.begin());
    lastItems_ = items;
    lastDestPath_ = destPath;
    return result;
}

// The other panel's folder as the host hands it over: without a trailing
// separator, except at a root.
static void FillDestPath(char (&destPath)[260], const std::string& dir) {
    std::string path = dir;
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\') &&
           !(path.size() == 3 && path[1] == ':'))
        path.pop_back();
    std::memset(destPath, 0, sizeof destPath);
    std::strncpy(destPath, path.c_str(), sizeof destPath - 1);
}

int Host::CopyFromPlugin(bool move) {
    int index = active_;
    Panel& panel = panels_[index];
    Panel& other = panels_[1 - index];
    if (other.plugin) {
        ReportViolation("F5 between two plug-in panels is not served by this host");
        return -1;
    }
    std::vector<int> positions;
    std::vector<PluginPanelItem> items = OperationItems(index, false, positions);
    if (items.empty()) return -1;
    char destPath[260];
    FillDestPath(destPath, other.dir);
    int result = CallGetFiles(index, items, move ? 1 : 0, destPath, 0);
    ApplySelectionResult(index, items, positions, result == 1);
    if (!panel.closeRequested) ReadPluginPanel(index, true);
    ReadPluginPanel(1 - index, true);
    FinishPendingClose(index);
    return result;
}

// The host sets the process's current directory to the local panel's folder
// and passes bare names; the directory is put back afterwards so that the
// tests' own relative paths keep their meaning.
int Host::CopyToPlugin(bool move) {
    int index = active_;
    int target = 1 - index;
    Panel& local = panels_[index];
    if (!panels_[target].plugin) {
        ReportViolation("F5 between two local panels is not served by this host");
        return -1;
    }
    std::vector<int> positions;
    std::vector<PluginPanelItem> items = OperationItems(index, false, positions);
    if (items.empty()) return -1;
    char previous[4096] = "";
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(local.dir.c_str());
    std::unique_ptr<PluginPanelItem[]> array = HostCopy(items);
    ++hostScreens_;
    int result = module_.Exports().PutFiles(panels_[target].handle, array.get(), static_cast<int>(items.size()),
                                            move ? 1 : 0, 0);
    --hostScreens_;
    SetCurrentDirectoryA(previous);
    std::copy(array.get(), array.get() + items.size(), items.begin());
    lastItems_ = items;
    ApplySelectionResult(index, items, positions, result == 1 || result == 2);
    ReadPluginPanel(index, true);
    if (!panels_[target].closeRequested) ReadPluginPanel(target, true);
    FinishPendingClose(target);
    return result;
}

int Host::PressCopy(bool move) {
    Panel& panel = Active();
    if (!panel.plugin) return CopyToPlugin(move);
    if (module_.Exports().ProcessKey(panel.handle, move ? VK_F6 : VK_F5, 0)) {
        ReadPluginPanel(active_, true);
        return -1;
    }
    return CopyFromPlugin(move);
}

int Host::PressShiftCopy(bool move) {
    int index = active_;
    Panel& panel = panels_[index];
    if (!panel.plugin) {
        ReportViolation("Shift+F5 on a local panel is not served by this host");
        return -1;
    }
    if (module_.Exports().ProcessKey(panel.handle, move ? VK_F6 : VK_F5, PKF_SHIFT)) {
        ReadPluginPanel(index, true);
        return -1;
    }
    Panel& other = panels_[1 - index];
    std::vector<int> positions;
    std::vector<PluginPanelItem> items = OperationItems(index, true, positions);
    if (items.empty()) return -1;
    char destPath[260];
    FillDestPath(destPath, other.plugin ? other.curDir : other.dir);
    int result = CallGetFiles(index, items, move ? 1 : 0, destPath, 0);
    if (!panel.closeRequested) ReadPluginPanel(index, true);
    ReadPluginPanel(1 - index, true);
    FinishPendingClose(index);
    return result;
}

int Host::PressF8() {
    int index = active_;
    Panel& panel = panels_[index];
    if (!panel.plugin) {
        ReportViolation("F8 on a local panel is not served by this host");
        return -1;
    }
    if (module_.Exports().ProcessKey(panel.handle, VK_F8, 0)) {
        ReadPluginPanel(index, true);
        return -1;
    }
    std::vector<int> positions;
    std::vector<PluginPanelItem> items = OperationItems(index, false, positions);
    if (items.empty()) return -1;
    std::unique_ptr<PluginPanelItem[]> array = HostCopy(items);
    ++hostScreens_;
    int result = module_.Exports().DeleteFiles(panel.handle, array.get(), static_cast<int>(items.size()), 0);
    --hostScreens_;
    std::copy(array.get(), array.get() + items.size(), items.begin());
    lastItems_ = items;
    ApplySelectionResult(index, items, positions, false);
    if (!panel.closeRequested) ReadPluginPanel(index, true);
    ReadPluginPanel(1 - index, true);
    FinishPendingClose(index);
    return result;
}

// The first regular file below a folder, by sorted path.
static bool FirstFileIn(const fs::path& folder, fs::path& found) {
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error)) files.push_back(it->path());
    if (files.empty()) return false;
    std::sort(files.begin(), files.end());
    found = files.front();
    return true;
}

void Host::RunPluginFile(const PluginPanelItem& item) {
    static unsigned runs = 0;
    fs::path folder = fs::path(workFolder_) / ("run-" + std::to_string(runs++));
    std::error_code error;
    fs::remove_all(folder, error);
    fs::create_directories(folder, error);
    char destPath[260];
    FillDestPath(destPath, folder.string());
    std::vector<PluginPanelItem> items{item};
    int result = CallGetFiles(active_, items, 0, destPath, OPM_SILENT | OPM_VIEW);
    fs::path file;
    if (result == 1 && FirstFileIn(folder, file)) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        filesRun_.push_back({fs::relative(file, folder).generic_string(), content.str()});
    }
    fs::remove_all(folder, error);
    FinishPendingClose(active_);
}

std::vector<Host::RunFile> Host::FilesRun() const { return filesRun_; }

}  // namespace vbhost
