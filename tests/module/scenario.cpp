#include "scenario.h"

#include <atomic>
#include <filesystem>

#include "local_folder.h"
#include "violations.h"
#ifndef _WIN32
#include "vbplatform_testing.h"
#endif

namespace fs = std::filesystem;

static std::string NewTestFolder() {
    static std::atomic<unsigned> counter{0};
    fs::path path = fs::temp_directory_path() /
                    ("vbtest-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++));
    EXPECT_TRUE(vbhost::RemoveLocalTree(path)) << "a folder left by an earlier run";
    fs::create_directories(path);
    return path.string();
}

void Scenario::SetUp() {
    folder_ = NewTestFolder();
    // Natively each test has a store file of its own. On Windows the registry
    // is shared: a key of this process and test keeps runs apart.
    static std::atomic<unsigned> keys{0};
    runKey_ = "Software\\VantelbrookTests\\Run" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(keys++);
    rootKey_ = runKey_ + "\\Plugins";
#ifndef _WIN32
    vbplatform::SetRegistryPath((fs::path(folder_) / "registry.reg").string());
#else
    // Process ids come round again: nothing of an earlier run that ended early.
    RegDeleteTreeA(HKEY_CURRENT_USER, runKey_.c_str());
#endif
    vbhost::TakeViolations();
}

void Scenario::TearDown() {
    if (host_) {
        EXPECT_EQ(host_->OpenScreens(), 0) << "every saved screen is restored";
        EXPECT_EQ(host_->Script().PendingMessageAnswers(), 0u) << "a scripted answer was not used";
        EXPECT_EQ(host_->Script().PendingDialogHandlers(), 0u) << "a scripted dialog did not appear";
    }
    host_.reset();
    for (const std::string& violation : vbhost::TakeViolations()) ADD_FAILURE() << violation;
#ifdef _WIN32
    RegDeleteTreeA(HKEY_CURRENT_USER, runKey_.c_str());
#endif
    EXPECT_TRUE(vbhost::RemoveLocalTree(folder_)) << "something was left open in " << folder_;
}

vbhost::HostOptions Scenario::DefaultOptions() const {
    vbhost::HostOptions options;
    options.modulePath = VB_MODULE_FILE;
    options.rootKey = rootKey_;
    return options;
}

vbhost::Host& Scenario::StartHost() { return StartHost(DefaultOptions()); }

vbhost::Host& Scenario::StartHost(vbhost::HostOptions options) {
    host_.reset();
    host_ = std::make_unique<vbhost::Host>(std::move(options));
    if (!host_->Load()) {
        ADD_FAILURE() << host_->Error();
        return *host_;
    }
    host_->Start();
    return *host_;
}

static HKEY CreateKey(const std::string& path) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_WRITE, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    return key;
}

void Scenario::StoreSetting(const std::string& name, DWORD value) {
    StoreRawSetting(name, REG_DWORD,
                    {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                     static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)});
}

void Scenario::StoreRawSetting(const std::string& name, DWORD type, const std::vector<BYTE>& bytes) {
    HKEY key = CreateKey(SettingsKey());
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

bool Scenario::SettingsKeyExists() const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey().c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

long long Scenario::StoredSetting(const std::string& name) const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey().c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return -1;
    DWORD value = 0, size = sizeof value, type = 0;
    LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_DWORD) return -1;
    return value;
}

vbhost::DialogCall Scenario::PeekConfigDialog() {
    size_t before = host_->Dialogs().size();
    host_->Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Esc(); });
    EXPECT_EQ(host_->Module().Configure(0), 0);
    std::vector<vbhost::DialogCall> dialogs = host_->Dialogs();
    if (dialogs.size() != before + 1) {
        ADD_FAILURE() << "the configuration dialog did not appear";
        return vbhost::DialogCall();
    }
    return dialogs.back();
}
