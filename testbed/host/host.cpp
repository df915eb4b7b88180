#include "host.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>

#include "standard_functions.h"
#include "violations.h"

namespace vbhost {

namespace fs = std::filesystem;

static Host* g_host = nullptr;
static std::mutex g_liveLock;
static std::map<HANDLE, std::shared_ptr<RunningDialog>> g_liveDialogs;

Host* Host::Current() { return g_host; }

static Host& CurrentHost(const char* service) {
    if (!g_host) {
        std::fprintf(stderr, "vbhost: %s called with no host running\n", service);
        std::abort();
    }
    return *g_host;
}

// The host's callbacks, reached through the tables handed to the module.
namespace callbacks {

static const char* WINAPI GetMsg(int, int number) { return CurrentHost("GetMsg").GetMsg(number); }

static int WINAPI Message(int, DWORD flags, const char* helpTopic, const char* const* items,
                          int count, int buttons) {
    return CurrentHost("Message").ShowMessage(flags, helpTopic, items, count, buttons);
}

static int WINAPI Dialog(int, int x1, int y1, int x2, int y2, const char* helpTopic,
                         FarDialogItem* items, int count) {
    return CurrentHost("Dialog").RunDialog(x1, y1, x2, y2, helpTopic, items, count, 0, nullptr, 0,
                                           false);
}

static int WINAPI DialogEx(int, int x1, int y1, int x2, int y2, const char* helpTopic,
                           FarDialogItem* items, int count, DWORD, DWORD flags,
                           FARWINDOWPROC proc, LONG_PTR param) {
    return CurrentHost("DialogEx").RunDialog(x1, y1, x2, y2, helpTopic, items, count, flags, proc,
                                             param, true);
}

static LONG_PTR WINAPI SendDlgMessage(HANDLE dialog, int msg, int param1, LONG_PTR param2) {
    return CurrentHost("SendDlgMessage").SendDlgMessage(dialog, msg, param1, param2);
}

static LONG_PTR WINAPI DefDlgProc(HANDLE dialog, int msg, int param1, LONG_PTR param2) {
    return CurrentHost("DefDlgProc").DefDlgProc(dialog, msg, param1, param2);
}

static HANDLE WINAPI SaveScreen(int, int, int, int) { return CurrentHost("SaveScreen").SaveScreen(); }

static void WINAPI RestoreScreen(HANDLE screen) { CurrentHost("RestoreScreen").RestoreScreen(screen); }

#define VB_UNSERVED(name) \
    static void WINAPI Unserved_##name() { ReportViolation("the module called " #name); }
VB_UNSERVED(Viewer)
VB_UNSERVED(Editor)
VB_UNSERVED(CmpName)
VB_UNSERVED(CharTable)
VB_UNSERVED(Text)
VB_UNSERVED(EditorControl)
VB_UNSERVED(ShowHelp)
VB_UNSERVED(AdvControl)
VB_UNSERVED(InputBox)
VB_UNSERVED(ViewerControl)
#undef VB_UNSERVED

static int WINAPI Control(HANDLE plugin, int command, void* param) {
    return CurrentHost("Control").Control(plugin, command, param);
}

static int WINAPI GetDirList(const char* dir, PluginPanelItem** items, int* count) {
    return CurrentHost("GetDirList").GetDirList(dir, items, count);
}

static int WINAPI GetPluginDirList(int, HANDLE plugin, const char* dir, PluginPanelItem** items,
                                   int* count) {
    return CurrentHost("GetPluginDirList").GetPluginDirList(plugin, dir, items, count);
}

static void WINAPI FreeDirList(const PluginPanelItem* items) {
    CurrentHost("FreeDirList").FreeDirList(items);
}

static int WINAPI Menu(int, int, int, int, DWORD, const char*, const char*, const char*,
                       const int*, int*, const void*, int) {
    ReportViolation("the module called Menu");
    return -1;
}

}  // namespace callbacks

static std::string MakeTemporaryFolder() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path path = fs::temp_directory_path() /
                        ("vbhost-" + std::to_string(random()) + "-" + std::to_string(counter++));
        std::error_code error;
        if (fs::create_directory(path, error)) return path.string();
    }
    return std::string();
}

Host::Host(HostOptions options) : options_(std::move(options)) {
    if (g_host) {
        std::fprintf(stderr, "vbhost: only one host may run at a time\n");
        std::abort();
    }
    g_host = this;
    FillStandardFunctions(fsf_);
    if (options_.workFolder.empty()) {
        workFolder_ = MakeTemporaryFolder();
        ownsWorkFolder_ = true;
    } else {
        workFolder_ = options_.workFolder;
    }
}

Host::~Host() {
    if (module_.IsLoaded()) {
        for (int i = 0; i < 2; ++i) ClosePluginOf(i);
        if (module_.Exports().ExitFAR) module_.Exports().ExitFAR();
    }
    module_.Unload();
    std::free(startup_);
    if (ownsWorkFolder_ && !workFolder_.empty()) RemoveModuleFolder(workFolder_);
    g_host = nullptr;
}

bool Host::Load() {
    fs::path source(options_.modulePath);
    std::error_code error;
    if (!fs::is_regular_file(source, error)) {
        error_ = "no module file at " + options_.modulePath;
        return false;
    }
    fs::path folder = fs::path(workFolder_) / "Plugins" / "Vantelbrook";
    fs::create_directories(folder, error);
    for (const fs::directory_entry& entry : fs::directory_iterator(source.parent_path(), error)) {
        std::string extension = entry.path().extension().string();
        bool belongs = entry.path() == source || extension == ".lng" || extension == ".hlf";
        if (!belongs) continue;
        fs::copy_file(entry.path(), folder / entry.path().filename(),
                      fs::copy_options::overwrite_existing, error);
        if (error) {
            error_ = "cannot install " + entry.path().string() + ": " + error.message();
            return false;
        }
    }
    pluginFolder_ = folder.string();
    // As the real host does at its start: every name the module passes to the
    // file calls is in the OEM code page.
    SetFileApisToOEM();
    if (!module_.Load((folder / source.filename()).string())) {
        error_ = module_.Error();
        return false;
    }
    return true;
}

void Host::BuildStartupRecord() {
    PluginStartupInfo full;
    std::memset(&full, 0, sizeof full);
    full.StructSize = options_.structSize;
    std::string moduleName = (fs::path(pluginFolder_) / fs::path(options_.modulePath).filename()).string();
    std::strncpy(full.ModuleName, moduleName.c_str(), sizeof full.ModuleName - 1);
    full.ModuleNumber = options_.moduleNumber;
    full.RootKey = options_.rootKey.c_str();
    full.Menu = callbacks::Menu;
    full.Dialog = callbacks::Dialog;
    full.Message = callbacks::Message;
    full.GetMsg = callbacks::GetMsg;
    full.Control = callbacks::Control;
    full.GetDirList = callbacks::GetDirList;
    full.GetPluginDirList = callbacks::GetPluginDirList;
    full.FreeDirList = callbacks::FreeDirList;
    full.SaveScreen = callbacks::SaveScreen;
    full.RestoreScreen = callbacks::RestoreScreen;
    full.Viewer = callbacks::Unserved_Viewer;
    full.Editor = callbacks::Unserved_Editor;
    full.CmpName = callbacks::Unserved_CmpName;
    full.CharTable = callbacks::Unserved_CharTable;
    full.Text = callbacks::Unserved_Text;
    full.EditorControl = callbacks::Unserved_EditorControl;
    full.FSF = &fsf_;
    full.ShowHelp = callbacks::Unserved_ShowHelp;
    full.AdvControl = callbacks::Unserved_AdvControl;
    full.InputBox = callbacks::Unserved_InputBox;
    full.DialogEx = callbacks::DialogEx;
    full.SendDlgMessage = callbacks::SendDlgMessage;
    full.DefDlgProc = callbacks::DefDlgProc;
    full.ViewerControl = callbacks::Unserved_ViewerControl;

    // The record is allocated at exactly the size the host reports, so that
    // a module reading past it is caught by the address sanitizer.
    size_t size = options_.structSize > 0 ? static_cast<size_t>(options_.structSize) : 1;
    std::free(startup_);
    startup_ = static_cast<PluginStartupInfo*>(std::malloc(size));
    std::memcpy(startup_, &full, size < sizeof full ? size : sizeof full);
    if (size > sizeof full) std::memset(reinterpret_cast<char*>(startup_) + sizeof full, 0, size - sizeof full);
}

void Host::Start() {
    BuildStartupRecord();
    module_.Exports().SetStartupInfo(startup_);
    QueryMenus();
}

Host::MenuEntries Host::QueryMenus() {
    PluginInfo info;
    std::memset(&info, 0, sizeof info);
    module_.Exports().GetPluginInfo(&info);
    MenuEntries menus;
    menus.structSize = info.StructSize;
    menus.flags = info.Flags;
    menus.diskStringsPointer = info.DiskMenuStrings != nullptr;
    menus.diskNumbersPointer = info.DiskMenuNumbers != nullptr;
    menus.pluginStringsPointer = info.PluginMenuStrings != nullptr;
    menus.configStringsPointer = info.PluginConfigStrings != nullptr;
    for (int i = 0; i < info.DiskMenuStringsNumber; ++i) {
        menus.diskMenu.push_back(info.DiskMenuStrings[i]);
        menus.diskNumbers.push_back(info.DiskMenuNumbers ? info.DiskMenuNumbers[i] : 0);
    }
    for (int i = 0; i < info.PluginMenuStringsNumber; ++i)
        menus.pluginMenu.push_back(info.PluginMenuStrings[i]);
    for (int i = 0; i < info.PluginConfigStringsNumber; ++i)
        menus.configMenu.push_back(info.PluginConfigStrings[i]);
    menus.commandPrefixSet = info.CommandPrefix != nullptr;
    return menus;
}

void Host::Count(Service service) {
    std::lock_guard<std::mutex> hold(lock_);
    ++calls_[static_cast<int>(service)];
}

int Host::Calls(Service service) const {
    std::lock_guard<std::mutex> hold(lock_);
    return calls_[static_cast<int>(service)];
}

const char* Host::GetMsg(int number) {
    Count(Service::GetMsg);
    std::lock_guard<std::mutex> hold(lock_);
    if (!languageLoaded_) {
        languageLoaded_ = true;
        if (!LoadModuleLanguage(pluginFolder_, options_.language, language_))
            ReportViolation("no language file in " + pluginFolder_);
    }
    if (number < 0 || number >= static_cast<int>(language_.messages.size())) {
        // The host shows an error box and gives an empty text.
        missingMessages_.push_back(number);
        MessageCall box;
        box.flags = FMSG_WARNING;
        box.items = {"Error", "Message " + std::to_string(number) + " not found", "Ok"};
        box.buttonsNumber = 1;
        box.buttons = {"Ok"};
        messages_.push_back(box);
        return "";
    }
    return language_.messages[number].c_str();
}

std::vector<int> Host::MissingMessages() const {
    std::lock_guard<std::mutex> hold(lock_);
    return missingMessages_;
}

// The host's own description of a system error, shown by FMSG_ERRORTYPE.
static std::string SystemErrorText(DWORD error) {
    switch (error) {
        case 0: return std::string();
        case 2: return "The system cannot find the file specified.";
        case 3: return "The system cannot find the path specified.";
        case 5: return "Access is denied.";
        case 6: return "The handle is invalid.";
        case 32: return "The process cannot access the file because it is being used by another process.";
        case 80: return "The file exists.";
        case 87: return "The parameter is incorrect.";
        case 112: return "There is not enough space on the disk.";
        case 123: return "The filename, directory name, or volume label syntax is incorrect.";
        case 145: return "The directory is not empty.";
        case 183: return "Cannot create a file when that file already exists.";
        case 206: return "The filename or extension is too long.";
        case 2250: return "This network connection does not exist.";
        default: return "Error " + std::to_string(error) + ".";
    }
}

static std::vector<std::string> StandardButtons(DWORD flags) {
    switch (flags & FMSG_MB_MASK) {
        case FMSG_MB_OK: return {"Ok"};
        case FMSG_MB_OKCANCEL: return {"Ok", "Cancel"};
        case FMSG_MB_ABORTRETRYIGNORE: return {"Abort", "Retry", "Ignore"};
        case FMSG_MB_YESNO: return {"Yes", "No"};
        case FMSG_MB_YESNOCANCEL: return {"Yes", "No", "Cancel"};
        case FMSG_MB_RETRYCANCEL: return {"Retry", "Cancel"};
        default: return {};
    }
}

int Host::ShowMessage(DWORD flags, const char* helpTopic, const char* const* items, int count,
                      int buttons) {
    MessageCall call;
    call.lastError = GetLastError();  // read first, before anything else can change it
    Count(Service::Message);
    call.flags = flags;
    call.hasHelpTopic = helpTopic != nullptr;
    if (helpTopic) call.helpTopic = helpTopic;
    for (int i = 0; i < count && items; ++i) call.items.push_back(items[i] ? items[i] : "");
    call.buttonsNumber = buttons;
    if (flags & FMSG_ERRORTYPE) call.errorText = SystemErrorText(call.lastError);
    if (count > 13) ReportViolation("a message with more than 13 items");
    if (count < 2 && !(flags & (FMSG_ALLINONE | FMSG_ERRORTYPE))) {
        call.result = -1;
    } else {
        if (flags & FMSG_MB_MASK) {
            call.buttons = StandardButtons(flags);
        } else {
            for (int i = count - buttons; i < count; ++i)
                if (i >= 0) call.buttons.push_back(call.items[i]);
        }
        call.result = ui_->Message(call);
        if (call.buttons.empty()) call.result = 0;
    }
    std::lock_guard<std::mutex> hold(lock_);
    messages_.push_back(call);
    return call.result;
}

int Host::RunDialog(int x1, int y1, int x2, int y2, const char* helpTopic, FarDialogItem* items,
                    int count, DWORD flags, FARWINDOWPROC proc, LONG_PTR param, bool extended) {
    Count(extended ? Service::DialogEx : Service::Dialog);
    DialogCall* call;
    {
        std::lock_guard<std::mutex> hold(lock_);
        call = &dialogs_.emplace_back();
    }
    call->extended = extended;
    call->x1 = x1;
    call->y1 = y1;
    call->x2 = x2;
    call->y2 = y2;
    call->hasHelpTopic = helpTopic != nullptr;
    if (helpTopic) call->helpTopic = helpTopic;
    call->flags = flags;
    call->itemsIn.assign(items, items + (count > 0 ? count : 0));

    auto dialog = std::make_shared<RunningDialog>(*call, items, proc, param);
    HANDLE handle = reinterpret_cast<HANDLE>(dialog.get());
    {
        std::lock_guard<std::mutex> hold(g_liveLock);
        g_liveDialogs[handle] = dialog;
    }
    if (extended) dialog->Open();
    ui_->RunDialog(*dialog);
    dialog->RunToClose(120000);
    {
        std::lock_guard<std::mutex> hold(g_liveLock);
        g_liveDialogs.erase(handle);
    }
    dialog->WriteBack();
    return dialog->Result();
}

static std::shared_ptr<RunningDialog> FindLiveDialog(HANDLE handle) {
    std::lock_guard<std::mutex> hold(g_liveLock);
    auto found = g_liveDialogs.find(handle);
    return found == g_liveDialogs.end() ? nullptr : found->second;
}

LONG_PTR Host::SendDlgMessage(HANDLE handle, int msg, int param1, LONG_PTR param2) {
    Count(Service::SendDlgMessage);
    std::shared_ptr<RunningDialog> dialog = FindLiveDialog(handle);
    if (!dialog) {
        ReportViolation("SendDlgMessage " + std::to_string(msg) + " to a dialog that is not open");
        return 0;
    }
    return dialog->Send(msg, param1, param2);
}

LONG_PTR Host::DefDlgProc(HANDLE handle, int msg, int param1, LONG_PTR param2) {
    std::shared_ptr<RunningDialog> dialog = FindLiveDialog(handle);
    if (!dialog) {
        ReportViolation("DefDlgProc for a dialog that is not open");
        return 0;
    }
    return dialog->DefaultProc(msg, param1, param2);
}

HANDLE Host::SaveScreen() {
    Count(Service::SaveScreen);
    std::lock_guard<std::mutex> hold(lock_);
    uintptr_t screen = nextScreen_++;
    openScreens_.insert(screen);
    return reinterpret_cast<HANDLE>(screen);
}

void Host::RestoreScreen(HANDLE screen) {
    Count(Service::RestoreScreen);
    std::lock_guard<std::mutex> hold(lock_);
    if (openScreens_.erase(reinterpret_cast<uintptr_t>(screen)) == 0)
        ReportViolation("RestoreScreen of a screen that was not saved");
}

int Host::OpenScreens() const {
    std::lock_guard<std::mutex> hold(lock_);
    return static_cast<int>(openScreens_.size());
}

std::vector<MessageCall> Host::Messages() const {
    std::lock_guard<std::mutex> hold(lock_);
    return std::vector<MessageCall>(messages_.begin(), messages_.end());
}

std::vector<DialogCall> Host::Dialogs() const {
    std::lock_guard<std::mutex> hold(lock_);
    return std::vector<DialogCall>(dialogs_.begin(), dialogs_.end());
}

void Host::ClearRecords() {
    std::lock_guard<std::mutex> hold(lock_);
    messages_.clear();
    dialogs_.clear();
    missingMessages_.clear();
}

}  // namespace vbhost
