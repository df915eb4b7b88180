// The fixture of every scenario: a fresh registry, the emulated host loading
// the real module, and the checks that every scenario ends with.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host.h"

class Scenario : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Options with the module's file and this test's own root key.
    vbhost::HostOptions DefaultOptions() const;
    // Loads the module and runs the host's start-up sequence.
    vbhost::Host& StartHost();
    vbhost::Host& StartHost(vbhost::HostOptions options);
    vbhost::Host& Host() { return *host_; }
    void StopHost() { host_.reset(); }

    // The module's registry key, as the host's root key makes it.
    std::string SettingsKey() const { return rootKey_ + "\\Vantelbrook"; }
    void StoreSetting(const std::string& name, DWORD value);
    void StoreRawSetting(const std::string& name, DWORD type, const std::vector<BYTE>& bytes);
    // The stored value, or -1 when there is none (no key or no value).
    long long StoredSetting(const std::string& name) const;
    bool SettingsKeyExists() const;

    // Opens the configuration dialog, notes what it shows and closes it with
    // Esc. Fails the test when no dialog appears.
    vbhost::DialogCall PeekConfigDialog();

    std::string runKey_;  // this test's own key, above the root key
    std::string rootKey_;
    std::string folder_;
    std::unique_ptr<vbhost::Host> host_;
};

// Item indexes of the configuration dialog.
enum ConfigDialogItem {
    CfgAddToDisksMenu = 1,
    CfgDisksMenuDigit = 2,
    CfgAddToPluginsMenu = 4,
    CfgTimeWaitInit = 6,
    CfgByMemory = 10,
    CfgByKBytes = 11,
    CfgCopyMemory = 12,
    CfgCopyKBytes = 13,
    CfgOk = 15,
    CfgCancel = 16,
};
