#include "terminal_ui.h"

namespace vbterm {

int TerminalUi::Message(const vbhost::MessageCall& call) { return RunMessageBox(terminal_, call, helpRequest_); }

void TerminalUi::RunDialog(vbhost::RunningDialog& dialog) { RunDialogBox(terminal_, dialog, helpRequest_); }

void TerminalUi::ShowHelp(const std::string& topic) {
    {
        std::lock_guard<std::mutex> hold(helpLock_);
        if (!help_) {
            std::string path = FindHelpFile(pluginFolder_, language_);
            auto file = std::make_unique<HelpFile>();
            if (path.empty() || !file->Load(path)) return;
            help_ = std::move(file);
        }
    }
    RunHelpViewer(terminal_, *help_, topic);
}

}  // namespace vbterm
