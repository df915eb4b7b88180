// A device of the test's own: a fresh storage folder, the device reset and
// the link up, and helpers to state the outcome of a call in one line.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "device_control.h"

using vbdevice::DeviceString;

// ASCII to device text (VB_WTEXT only takes literals).
DeviceString W(const std::string& ascii);

// What a call left behind on the calling thread.
struct Outcome {
    bool ok;
    DWORD error;    // CeGetLastError
    HRESULT link;   // CeRapiGetError
};
Outcome Took(BOOL result);
Outcome TookHandle(HANDLE handle);  // ok when not INVALID_HANDLE_VALUE
std::ostream& operator<<(std::ostream& out, const Outcome& outcome);

// Success with CeGetLastError 0 (or the given value), or failure with the
// device error and CeRapiGetError 0.
struct Expected {
    bool ok;
    DWORD error;
};
constexpr Expected kSucceeds{true, 0};
constexpr Expected FailsWith(DWORD error) { return Expected{false, error}; }
::testing::AssertionResult Matches(const Outcome& actual, const Expected& expected);

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Brings the link up with the Immediate model.
    void Connect();

    // The disk behind the device (relative paths with '/').
    std::filesystem::path Disk(const std::string& relative) const;
    void PutDiskFile(const std::string& relative, const std::string& content);
    std::string DiskFileContent(const std::string& relative) const;

    // Through the device.
    void MakeDir(const std::string& devicePath);
    void MakeFile(const std::string& devicePath, const std::string& content);
    std::string ReadAll(const std::string& devicePath);
    bool Exists(const std::string& devicePath);
    DWORD Attributes(const std::string& devicePath);

    std::filesystem::path storage_;
};
