// The terminal host's main loop: the panels, the keys the host itself
// handles, and the user's actions performed through the emulated host.
#pragma once

#include <string>
#include <vector>

#include "host.h"
#include "terminal.h"
#include "terminal_ui.h"
#include "views.h"

namespace vbterm {

class App {
public:
    App(Terminal& terminal, vbhost::Host& host, TerminalUi& ui, std::vector<std::string> localFolders)
        : terminal_(terminal), host_(host), ui_(ui), localFolders_(std::move(localFolders)) {}

    // Until F10.
    void Run();

private:
    void Draw();
    bool Handle(const Key& key);  // false: quit
    void MoveCursor(int to);
    void ToggleSelection();
    void Enter();
    void Copy(bool move);
    void CopyOntoPlugin(bool move);
    void ShiftCopy(bool move);
    void MakeFolder();
    void Delete();
    void DisksMenu(int side);
    void PluginsMenu();
    void Configure(int entry);
    void ChooseConfiguration();
    void OpenPlugin(int side, bool fromDisks);
    void ReportViolations();
    bool PluginPanelActive(const char* what);

    Terminal& terminal_;
    vbhost::Host& host_;
    TerminalUi& ui_;
    std::vector<std::string> localFolders_;  // OEM, offered in the disks menu
    std::string status_;
};

}  // namespace vbterm
