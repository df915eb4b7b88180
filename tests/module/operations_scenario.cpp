#include "operations_scenario.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

vbhost::Host& OperationsScenario::OpenDeviceAt(const std::string& dir) {
    vbhost::Host& host = DeviceScenario::OpenDevice();
    std::stringstream parts(dir);
    std::string part;
    while (std::getline(parts, part, '\\')) {
        if (part.empty()) continue;
        EXPECT_TRUE(host.SetCursor(part)) << part;
        host.PressEnter();
    }
    host.ClearRecords();
    return host;
}

void OperationsScenario::ActivateLocalPanel() {
    Host().SetActivePanel(1);
    Host().ReadPluginPanel(1, true);
}

void OperationsScenario::ActivateDevicePanel() { Host().SetActivePanel(0); }

std::string OperationsScenario::Local(const std::string& path) { return (fs::path(local_) / path).string(); }

void OperationsScenario::MakeLocalDir(const std::string& path) { fs::create_directories(Local(path)); }

void OperationsScenario::MakeLocalFile(const std::string& path, const std::string& content) {
    fs::path file = Local(path);
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string OperationsScenario::LocalFileContent(const std::string& path) {
    std::ifstream in(Local(path), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

bool OperationsScenario::LocalExists(const std::string& path) {
    std::error_code error;
    return fs::exists(Local(path), error);
}

static std::vector<std::string> TreeOf(const fs::path& root, bool withContents) {
    std::vector<std::string> entries;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        std::string name = fs::relative(it->path(), root).generic_string();
        if (name.rfind(".vbdevice-metadata", 0) == 0) continue;
        if (it->is_directory()) {
            entries.push_back(name + "/");
        } else if (withContents) {
            std::ifstream in(it->path(), std::ios::binary);
            std::stringstream content;
            content << in.rdbuf();
            entries.push_back(name + "=" + content.str());
        } else {
            entries.push_back(name);
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::vector<std::string> OperationsScenario::LocalTree(bool withContents) { return TreeOf(local_, withContents); }

std::vector<std::string> OperationsScenario::DeviceTree(bool withContents) {
    return TreeOf(storage_, withContents);
}

std::string OperationsScenario::Format(int message, const std::string& text) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, Text(message).c_str(), text.c_str());
    return buffer;
}

std::string OperationsScenario::Format(int message, int number) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, Text(message).c_str(), number);
    return buffer;
}

bool OperationsScenario::LeftSelected(const std::string& name) {
    for (const PluginPanelItem& item : Host().LastItems())
        if (name == item.FindData.cFileName) return (item.Flags & PPIF_SELECTED) != 0;
    ADD_FAILURE() << name << " was not among the items";
    return false;
}

int OperationsScenario::TraceCount(const std::vector<std::string>& trace, const std::string& line) {
    return static_cast<int>(std::count(trace.begin(), trace.end(), line));
}

std::vector<PluginPanelItem> HostItems(vbhost::Host& host, const std::vector<std::string>& names, bool selected) {
    std::vector<PluginPanelItem> items;
    for (const std::string& name : names) {
        const PluginPanelItem* item = host.FindItem(name);
        EXPECT_NE(item, nullptr) << name;
        if (!item) continue;
        items.push_back(*item);
        if (selected) items.back().Flags |= PPIF_SELECTED;
    }
    return items;
}
