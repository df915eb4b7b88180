// The emulated host: loads the module through its sixteen exports, hands it
// the host's service tables and serves every call the module makes back,
// recording what it showed and answering through a UI.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "farplugin.h"
#include "language_file.h"
#include "module_loader.h"
#include "ui.h"

namespace vbhost {

struct HostOptions {
    std::string modulePath;                    // the built module
    int structSize = sizeof(PluginStartupInfo);  // what the host reports
    std::string rootKey = "Software\\Far\\Plugins";
    std::string language = "English";
    int moduleNumber = 3;
    // Where the plug-in folder is made; empty: a new temporary folder.
    std::string workFolder;
};

// A service the host offers, for counting calls.
enum class Service { GetMsg, Message, Dialog, DialogEx, SendDlgMessage, SaveScreen, RestoreScreen, Control };

class Host {
public:
    explicit Host(HostOptions options);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Installs the module into a plug-in folder of its own (the module file
    // with its language and help files) and loads it. False when a file or
    // an export is missing; Error() says which.
    bool Load();
    const std::string& Error() const { return error_; }
    const ModuleExports& Module() const { return module_.Exports(); }
    const std::string& PluginFolder() const { return pluginFolder_; }
    const std::string& WorkFolder() const { return workFolder_; }
    const HostOptions& Options() const { return options_; }

    // The host's start-up sequence: SetStartupInfo with a record of
    // options.structSize bytes, then GetPluginInfo.
    void Start();
    // The record handed over (allocated at exactly structSize bytes).
    const PluginStartupInfo* StartupRecord() const { return startup_; }

    struct MenuEntries {
        int structSize = 0;
        DWORD flags = 0;
        bool diskStringsPointer = false, diskNumbersPointer = false;
        bool pluginStringsPointer = false, configStringsPointer = false;
        std::vector<std::string> diskMenu;
        std::vector<int> diskNumbers;
        std::vector<std::string> pluginMenu;
        std::vector<std::string> configMenu;
        bool commandPrefixSet = false;
    };
    // GetPluginInfo on a zero-filled record, read back as the host reads it.
    MenuEntries QueryMenus();

    ScriptedUi& Script() { return script_; }
    void SetUi(Ui* ui) { ui_ = ui ? ui : &script_; }

    // What the module showed, in order.
    std::vector<MessageCall> Messages() const;
    std::vector<DialogCall> Dialogs() const;
    void ClearRecords();
    int Calls(Service service) const;

    // Screens saved and not yet restored.
    int OpenScreens() const;
    // Message numbers the module asked for that the language file lacks.
    std::vector<int> MissingMessages() const;

    // Host side of the services (called through the tables).
    const char* GetMsg(int number);
    int ShowMessage(DWORD flags, const char* helpTopic, const char* const* items, int count,
                    int buttons);
    int RunDialog(int x1, int y1, int x2, int y2, const char* helpTopic, FarDialogItem* items,
                  int count, DWORD flags, FARWINDOWPROC proc, LONG_PTR param, bool extended);
    LONG_PTR SendDlgMessage(HANDLE dialog, int msg, int param1, LONG_PTR param2);
    LONG_PTR DefDlgProc(HANDLE dialog, int msg, int param1, LONG_PTR param2);
    HANDLE SaveScreen();
    void RestoreScreen(HANDLE screen);

    static Host* Current();

    // ---- Panels ------------------------------------------------------------
    // Two panels, 0 (left) and 1 (right); each shows a local folder or a
    // plug-in. Local folders are given in the OEM code page, as the host
    // keeps them.
    struct Panel {
        bool plugin = false;
        HANDLE handle = nullptr;
        std::string dir;                      // a local panel's folder
        std::vector<PluginPanelItem> items;   // as displayed: ".." first when added
        int current = 0;
        int top = 0;
        std::string curDir, title, format;    // the plug-in's last description
        DWORD flags = 0;
        bool closing = false;                 // inside ClosePlugin
        bool closeRequested = false;          // FCTL_CLOSEPLUGIN during a call
        std::string closeDir;
        std::vector<PluginPanelItem> infoItems;  // handed out by FCTL_GETPANELINFO
    };

    Panel& PanelAt(int index) { return panels_[index]; }
    int ActivePanel() const { return active_; }
    Panel& Active() { return panels_[active_]; }
    void SetActivePanel(int index) { active_ = index; }
    // Shows a local folder in a panel (closing a plug-in it shows).
    void SetLocalPanel(int index, const std::string& dir);

    // User actions on the active panel, performed the way the host does.
    bool OpenFromDiskMenu();
    bool OpenFromPluginsMenu();
    void ClosePluginPanel();
    bool SetCursor(const std::string& name);
    std::string CurrentName();
    void Select(const std::vector<std::string>& names);
    void ClearSelection();
    std::vector<std::string> SelectedNames();
    std::vector<std::string> ItemNames();
    const PluginPanelItem* FindItem(const std::string& name);
    // Enter on the current item.
    void PressEnter();
    // F7: MakeDirectory; returns its result.
    int PressF7();
    // F5 (copy) or F6 (move). From the plug-in panel: GetFiles into the
    // other panel's folder; from a local panel: PutFiles onto the plug-in
    // panel in the other one. Returns the module's result, -1 when the
    // module was not asked.
    int PressCopy(bool move);
    // Shift+F5 / Shift+F6 on the plug-in panel: GetFiles with the current
    // item only, the selection left as it was.
    int PressShiftCopy(bool move);
    // F8 on the plug-in panel: DeleteFiles of the selection or the current
    // item. Returns the module's result, -1 when the module was not asked.
    int PressF8();

    // What the host ran after Enter on a plug-in file: the first file the
    // module left in the temporary folder, by its name there.
    struct RunFile {
        std::string name;
        std::string content;
    };
    std::vector<RunFile> FilesRun() const;
    // The items of the last GetFiles, PutFiles or DeleteFiles as the module
    // left them, and the DestPath of the last GetFiles.
    const std::vector<PluginPanelItem>& LastItems() const { return lastItems_; }
    const std::string& LastDestPath() const { return lastDestPath_; }
    // Alters every list that GetPluginDirList and GetDirList hand out, as a
    // faulty host might; null for none.
    void SetDirListFilter(std::function<void(std::vector<PluginPanelItem>&)> filter);
    // Reads the plug-in panel afresh, as after every user action.
    void ReadPluginPanel(int index, bool keepSelection);

    // The host's side of the panel services.
    int Control(HANDLE plugin, int command, void* param);
    int GetPluginDirList(HANDLE plugin, const char* dir, PluginPanelItem** items, int* count);
    int GetDirList(const char* dir, PluginPanelItem** items, int* count);
    void FreeDirList(const PluginPanelItem* items);
    // Lists handed out by the two calls above and not yet freed.
    int OpenDirLists() const;

    struct ControlCall {
        int panel = -1;  // the panel addressed, -1 when none matched
        int command = 0;
        PanelRedrawInfo redraw{};  // FCTL_REDRAWPANEL
        bool hasParam = false;
        std::string dir;           // FCTL_CLOSEPLUGIN, FCTL_SETPANELDIR
    };
    std::vector<ControlCall> ControlCalls() const;

private:
    bool OpenPluginOn(int openFrom);
    int PanelOfHandle(HANDLE plugin) const;
    void ClosePluginOf(int index);
    void FinishPendingClose(int index);
    void ReadLocalPanel(int index);
    void DescribePlugin(Panel& panel);
    void ClearSelectionOf(int index);
    bool ListPluginLevel(HANDLE plugin, const std::string& prefix, std::vector<PluginPanelItem>& out);
    // The items of an operation on a panel: the selection with PPIF_SELECTED
    // set on each, or the current item; their indexes in the panel.
    std::vector<PluginPanelItem> OperationItems(int index, bool currentOnly, std::vector<int>& positions);
    // After an operation: deselect what the module cleared, or everything.
    void ApplySelectionResult(int index, const std::vector<PluginPanelItem>& items,
                              const std::vector<int>& positions, bool clearAll);
    int CallGetFiles(int index, std::vector<PluginPanelItem>& items, int move, char* destPath, int opMode);
    int CopyFromPlugin(bool move);
    int CopyToPlugin(bool move);
    void RunPluginFile(const PluginPanelItem& item);
    PluginPanelItem* HandOutList(std::vector<PluginPanelItem>& list);

    std::vector<PluginPanelItem> lastItems_;
    std::string lastDestPath_;
    std::vector<RunFile> filesRun_;
    std::function<void(std::vector<PluginPanelItem>&)> dirListFilter_;
    int hostScreens_ = 0;  // the host's own saves around an operation

    Panel panels_[2];
    int active_ = 0;
    std::set<const PluginPanelItem*> dirLists_;
    std::vector<ControlCall> controlCalls_;


    void Count(Service service);
    void BuildStartupRecord();

    HostOptions options_;
    std::string error_;
    std::string workFolder_;
    bool ownsWorkFolder_ = false;
    std::string pluginFolder_;
    LoadedModule module_;
    PluginStartupInfo* startup_ = nullptr;
    FarStandardFunctions fsf_{};

    bool languageLoaded_ = false;
    LanguageFile language_;
    std::vector<int> missingMessages_;

    ScriptedUi script_;
    Ui* ui_ = &script_;

    mutable std::mutex lock_;
    std::deque<MessageCall> messages_;
    std::deque<DialogCall> dialogs_;
    int calls_[8] = {};
    std::set<uintptr_t> openScreens_;
    uintptr_t nextScreen_ = 1;
    std::set<RunningDialog*> liveDialogs_;
    std::vector<std::shared_ptr<RunningDialog>> dialogOwners_;
};

}  // namespace vbhost
