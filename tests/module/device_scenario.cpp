#include "device_scenario.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "test_support.h"
#ifndef _WIN32
#include "vbplatform_testing.h"
#endif

namespace fs = std::filesystem;

vbdevice::DeviceString Wide(const std::string& ascii) {
    vbdevice::DeviceString wide;
    for (char c : ascii) wide.push_back(static_cast<WCHAR>(static_cast<unsigned char>(c)));
    return wide;
}

void DeviceScenario::SetUp() {
    Scenario::SetUp();
    storage_ = (fs::path(folder_) / "device").string();
    local_ = (fs::path(folder_) / "local").string();
    fs::create_directories(storage_);
    fs::create_directories(local_);
    vbdevice::SetStorageFolder(storage_);
    vbdevice::Reset();
#ifndef _WIN32
    // One-second waits of the connection take 10 ms (on Windows they are real).
    vbplatform::SetWaitScale(1);
#endif
    vbhost::ClearConsoleInput();
    vbhost::ClearTrace();
}

void DeviceScenario::TearDown() {
    if (host_) {
        EXPECT_EQ(host_->OpenDirLists(), 0) << "every directory list is freed";
    }
    Scenario::TearDown();
    EXPECT_EQ(vbdevice::OpenHandleCount(), 0u) << "a device handle was left open";
    EXPECT_EQ(vbdevice::OutstandingBufferCount(), 0u) << "a listing buffer was not freed";
    vbdevice::Reset();
#ifndef _WIN32
    vbplatform::SetWaitScale(100);
#endif
}

vbhost::Host& DeviceScenario::StartWithLocalPanel() {
    vbhost::Host& host = StartHost();
    host.SetLocalPanel(0, local_);
    host.SetLocalPanel(1, local_);
    host.SetActivePanel(0);
    return host;
}

vbhost::Host& DeviceScenario::OpenDevice() {
    vbhost::Host& host = StartWithLocalPanel();
    EXPECT_TRUE(host.OpenFromDiskMenu()) << "the device panel opens";
    return host;
}

static fs::path StoragePath(const std::string& storage, const std::string& devicePath) {
    fs::path path(storage);
    std::stringstream parts(devicePath);
    std::string part;
    while (std::getline(parts, part, '\\'))
        if (!part.empty()) path /= fs::u8path(part);
    return path;
}

void DeviceScenario::MakeDeviceDir(const std::string& path) {
    fs::create_directories(StoragePath(storage_, path));
}

void DeviceScenario::MakeDeviceFile(const std::string& path, const std::string& content) {
    fs::path file = StoragePath(storage_, path);
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
}

bool DeviceScenario::DeviceEntryExists(const std::string& path) {
    vbdevice::EntryInfo info;
    return vbdevice::GetEntryInfo(Wide(path).c_str(), &info);
}

std::string DeviceScenario::DeviceFileContent(const std::string& path) {
    fs::path file = vbdevice::DiskPathOf(Wide(path).c_str());
    std::ifstream in(file, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

void DeviceScenario::PressConsoleKey(WORD key, bool down) {
    EXPECT_TRUE(vbhost::PushConsoleKey(key, down)) << "no console to take the key";
}

std::string DeviceScenario::Text(int message) {
    vbhost::LanguageFile file;
    EXPECT_TRUE(vbhost::LoadModuleLanguage(Host().PluginFolder(), "English", file));
    return message < static_cast<int>(file.messages.size()) ? file.messages[message] : std::string();
}

std::vector<vbhost::MessageCall> DeviceScenario::MessagesTitled(const std::string& title) {
    std::vector<vbhost::MessageCall> found;
    for (const vbhost::MessageCall& call : Host().Messages())
        if (call.Title() == title) found.push_back(call);
    return found;
}
