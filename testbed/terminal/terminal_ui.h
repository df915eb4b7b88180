// The emulated host's user, played by the person at the terminal: the
// module's messages and dialogs drawn on the screen and answered from the
// keyboard.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "help_file.h"
#include "terminal.h"
#include "ui.h"
#include "views.h"

namespace vbterm {

class TerminalUi : public vbhost::Ui {
public:
    TerminalUi(Terminal& terminal, std::string language) : terminal_(terminal), language_(std::move(language)) {}

    // Where the module's help file is: the plug-in folder.
    void SetPluginFolder(const std::string& folder) { pluginFolder_ = folder; }

    int Message(const vbhost::MessageCall& call) override;
    void RunDialog(vbhost::RunningDialog& dialog) override;

    // The module's help, at a topic (empty: its contents).
    void ShowHelp(const std::string& topic);
    const HelpRequest& Help() const { return helpRequest_; }

private:
    Terminal& terminal_;
    std::string language_;
    std::string pluginFolder_;
    std::mutex helpLock_;
    std::unique_ptr<HelpFile> help_;
    HelpRequest helpRequest_ = [this](const std::string& topic) { ShowHelp(topic); };
};

}  // namespace vbterm
