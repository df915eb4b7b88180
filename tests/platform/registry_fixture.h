// A registry of its own for each test: a store file in a temporary folder
// here, a key of its own under HKEY_CURRENT_USER on Windows.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "temp_folder.h"
#include "vbwin32.h"

#ifndef _WIN32
#include "vbplatform_testing.h"
#endif

namespace vbtest {

class RegistryFixture : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        base_ = "Software\\VantelbrookTests\\" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(GetTickCount());
#else
        storePath_ = folder_.Join("config/registry.reg");
        vbplatform::SetRegistryPath(storePath_);
        base_ = "Software\\VantelbrookTests";
#endif
    }

    void TearDown() override {
#ifdef _WIN32
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
#else
        vbplatform::SetRegistryPath("");
#endif
    }

    // A key below the test's own base, created.
    HKEY CreateKey(const std::string& name, REGSAM access = KEY_ALL_ACCESS) {
        HKEY key = nullptr;
        DWORD disposition = 0;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath(name).c_str(), 0, nullptr,
                                                 REG_OPTION_NON_VOLATILE, access, nullptr, &key, &disposition));
        return key;
    }

    LONG OpenKey(const std::string& name, REGSAM access, HKEY* key) {
        *key = nullptr;
        return RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(name).c_str(), 0, access, key);
    }

    std::string KeyPath(const std::string& name) const { return name.empty() ? base_ : base_ + "\\" + name; }

    TempFolder folder_;
    std::string base_;
    std::string storePath_;
};

}  // namespace vbtest
