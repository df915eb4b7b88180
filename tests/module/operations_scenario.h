// Scenarios of the file operations: the device panel on the left, the local
// folder on the right, and the means to look at both trees afterwards.
#pragma once

#include <string>
#include <vector>

#include "device_scenario.h"

class OperationsScenario : public DeviceScenario {
protected:
    // The device panel (left, active) at the device directory `dir` ("\A\B"),
    // the local folder in the right panel. What the host recorded while the
    // panel opened (the connecting message) is cleared.
    vbhost::Host& OpenDeviceAt(const std::string& dir);
    vbhost::Host& OpenDevice() { return OpenDeviceAt("\\"); }
    // Makes the local panel the active one (after OpenDeviceAt).
    void ActivateLocalPanel();
    void ActivateDevicePanel();

    // Local fixtures by path relative to the local folder ("D/a.txt").
    void MakeLocalDir(const std::string& path);
    void MakeLocalFile(const std::string& path, const std::string& content);
    std::string LocalFileContent(const std::string& path);
    bool LocalExists(const std::string& path);

    // Every entry of a tree, relative and '/'-separated, a directory with a
    // trailing '/', sorted; with contents: "name=content" for files.
    std::vector<std::string> LocalTree(bool withContents = true);
    std::vector<std::string> DeviceTree(bool withContents = true);

    // The module's error boxes (title message 2), in order.
    std::vector<vbhost::MessageCall> ErrorBoxes() { return MessagesTitled(Text(2)); }
    // The existing-target questions (title message 3).
    std::vector<vbhost::MessageCall> ExistingPrompts() { return MessagesTitled(Text(3)); }

    // A format message filled as the host's sprintf fills it.
    std::string Format(int message, const std::string& text);
    std::string Format(int message, int number);

    // Flags of the last operation's items as the module left them, by name.
    bool LeftSelected(const std::string& name);

    // Trace lines written with the given text.
    static int TraceCount(const std::vector<std::string>& trace, const std::string& line);

    std::string Local(const std::string& path);
};

// Items as the host would pass them, for calling the exports directly.
std::vector<PluginPanelItem> HostItems(vbhost::Host& host, const std::vector<std::string>& names,
                                       bool selected = true);
