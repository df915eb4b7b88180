// The registry's store file: its export format, tolerance of damage, the
// atomic replacement, and where it lives. POSIX only: on Windows the
// registry is the system's own.
#ifndef _WIN32

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "registry_fixture.h"

namespace vbtest {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(dir);
    }
    return names;
}

DWORD ReadDword(const std::string& keyPath, const char* name, LONG* result) {
    HKEY key = nullptr;
    DWORD value = 0;
    *result = RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (*result != ERROR_SUCCESS) return 0;
    DWORD size = sizeof value;
    *result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return value;
}

LONG WriteDword(HKEY key, const char* name, DWORD value) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

class RegistryStoreTest : public RegistryFixture {
protected:
    std::string StoreFolder() const { return folder_.Join("config"); }
};

TEST_F(RegistryStoreTest, StoreIsARegistryExportWithEveryValue) {
    HKEY key = CreateKey("Far\\Plugins\\Vantelbrook");
    ASSERT_EQ(ERROR_SUCCESS, WriteDword(key, "TimeWaitInit", 10));
    const BYTE two[] = {0x01, 0x02};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Pair", 0, REG_BINARY, two, 2));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Short", 0, REG_DWORD, two, 2));
    const char text[] = "say \"hi\"";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text));
    RegCloseKey(key);

    std::vector<std::string> lines = Lines(ReadFileText(storePath_));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("Windows Registry Editor Version 5.00", lines[0]);
    auto has = [&](const std::string& line) {
        for (const std::string& each : lines) {
            if (each == line) return true;
        }
        return false;
    };
    EXPECT_TRUE(has("[HKEY_CURRENT_USER\\Software\\VantelbrookTests\\Far\\Plugins\\Vantelbrook]"));
    EXPECT_TRUE(has("\"TimeWaitInit\"=dword:0000000a"));
    EXPECT_TRUE(has("\"Pair\"=hex:01,02"));
    EXPECT_TRUE(has("\"Short\"=hex(4):01,02"));
    EXPECT_TRUE(has("\"Text\"=\"say \\\"hi\\\"\""));
}

TEST_F(RegistryStoreTest, ReadingWritesNothing) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenKey("Far\\Plugins", KEY_QUERY_VALUE, &key));
    LONG result = 0;
    ReadDword(KeyPath("Far"), "Value", &result);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, result);
    struct stat status {};
    EXPECT_NE(0, stat(storePath_.c_str(), &status)) << "the store was created by reading";
}

TEST_F(RegistryStoreTest, KeyKeepsTheCaseItWasFirstWrittenIn) {
    HKEY key = CreateKey("MixedCase");
    RegCloseKey(key);
    key = CreateKey("MIXEDCASE");
    ASSERT_EQ(ERROR_SUCCESS, WriteDword(key, "Value", 1));
    RegCloseKey(key);
    std::string text = ReadFileText(storePath_);
    EXPECT_NE(std::string::npos, text.find("\\MixedCase]"));
    EXPECT_EQ(std::string::npos, text.find("MIXEDCASE"));
}

TEST_F(RegistryStoreTest, WritesOfAnotherProcessAreSeenByTheNextCall) {
    HKEY key = CreateKey("Shared");
    ASSERT_EQ(ERROR_SUCCESS, WriteDword(key, "Before", 1));
    // Another process replaces the store while this one holds the key open.
    WriteFileText(storePath_,
                  "Windows Registry Editor Version 5.00\r\n\r\n"
                  "[HKEY_CURRENT_USER\\Software\\VantelbrookTests\\Shared]\r\n"
                  "\"After\"=dword:00000002\r\n");
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "After", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size));
    EXPECT_EQ(2u, value);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "Before", nullptr, nullptr, nullptr, &size));
    RegCloseKey(key);
}

TEST_F(RegistryStoreTest, DamagedLinesAreSkippedAndTheRestSurvivesTheNextWrite) {
    ASSERT_EQ(0, mkdir(StoreFolder().c_str(), 0700));
    WriteFileText(storePath_,
                  "Windows Registry Editor Version 5.00\n"
                  "\"Orphan\"=dword:00000001\n"
                  "[HKEY_NOWHERE\\Software\\VantelbrookTests\\Bad]\n"
                  "\"Lost\"=dword:00000001\n"
                  "[HKEY_CURRENT_USER\\Software\\VantelbrookTests\\Good\n"
                  "[HKEY_CURRENT_USER\\Software\\VantelbrookTests\\Good]\n"
                  "\"TooLong\"=dword:123456789\n"
                  "\"NotHex\"=dword:zz\n"
                  "\"Open\"=\"no end\n"
                  "\"BadBytes\"=hex:0g,01\n"
                  "\"Kind\"=hex(zz):01\n"
                  "garbage without form\n"
                  "\"NoEquals\"\n"
                  "=dword:00000001\n"
                  "\"Kept\"=dword:0000002a\n"
                  "\"Wrapped\"=hex:01,02,\\\n"
                  "  03,04\n"
                  "\xff\xfe\x00 binary noise\n");
    const std::string good = KeyPath("Good");
    LONG result = 0;
    EXPECT_EQ(42u, ReadDword(good, "Kept", &result));
    EXPECT_EQ(ERROR_SUCCESS, result);
    for (const char* name : {"TooLong", "NotHex", "Open", "BadBytes", "Kind", "NoEquals"}) {
        ReadDword(good, name, &result);
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, result) << name;
    }
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, OpenKey("Good", KEY_ALL_ACCESS, &key));
    BYTE wrapped[8] = {};
    DWORD size = sizeof wrapped;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Wrapped", nullptr, nullptr, wrapped, &size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(4, wrapped[3]);

    ASSERT_EQ(ERROR_SUCCESS, WriteDword(key, "New", 5));
    RegCloseKey(key);
    EXPECT_EQ(42u, ReadDword(good, "Kept", &result));
    EXPECT_EQ(5u, ReadDword(good, "New", &result));
}

TEST_F(RegistryStoreTest, LeftoverTemporaryFileIsIgnoredAndNoneIsLeftBehind) {
    HKEY key = CreateKey("Temp");
    ASSERT_EQ(ERROR_SUCCESS, WriteDword(key, "Value", 1));
    // A crash between writing the temporary file and renaming it.
    const std::string leftover = storePath_ + ".tmp.99999.0";
    WriteFileText(leftover, "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software\\VantelbrookTests\\Temp]\n\"Value\"=dword:000000");
    LONG result = 0;
    EXPECT_EQ(1u, ReadDword(KeyPath("Temp"), "Value", &result));

    for (DWORD i = 2; i < 20; ++i) ASSERT_EQ(ERROR_SUCCESS, WriteDword(key, "Value", i));
    RegCloseKey(key);
    EXPECT_EQ(19u, ReadDword(KeyPath("Temp"), "Value", &result));
    std::vector<std::string> entries = FolderEntries(StoreFolder());
    EXPECT_EQ(2u, entries.size()) << "only the store and the old leftover";
    EXPECT_EQ("Windows Registry Editor Version 5.00", Lines(ReadFileText(storePath_)).at(0));
}

// Runs the write in a child process without privileges when the test runs
// as root, for whom permission bits stop nothing.
LONG WriteDwordUnprivileged(const std::string& keyPath, DWORD value) {
    auto write = [&] {
        HKEY key = nullptr;
        LONG result = RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_SET_VALUE, &key);
        if (result == ERROR_SUCCESS) result = WriteDword(key, "Value", value);
        return result;
    };
    if (geteuid() != 0) return write();
    pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(255);
        _exit(static_cast<int>(write()));
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(RegistryStoreTest, WriteIntoAReadOnlyFolderFailsAndLeavesTheStoreAsItWas) {
    HKEY key = CreateKey("Locked");
    ASSERT_EQ(ERROR_SUCCESS, WriteDword(key, "Value", 7));
    RegCloseKey(key);
    const std::string before = ReadFileText(storePath_);

    // Readable by anyone, writable by no one.
    ASSERT_EQ(0, chmod(folder_.Path().c_str(), 0755));
    ASSERT_EQ(0, chmod(storePath_.c_str(), 0644));
    ASSERT_EQ(0, chmod(StoreFolder().c_str(), 0555));
    LONG result = WriteDwordUnprivileged(KeyPath("Locked"), 8);
    ASSERT_EQ(0, chmod(StoreFolder().c_str(), 0700));

    EXPECT_EQ(ERROR_ACCESS_DENIED, result);
    EXPECT_EQ(before, ReadFileText(storePath_));
    EXPECT_EQ(1u, FolderEntries(StoreFolder()).size()) << "a temporary file was left behind";
    LONG readResult = 0;
    EXPECT_EQ(7u, ReadDword(KeyPath("Locked"), "Value", &readResult));
}

TEST_F(RegistryStoreTest, WriteCutShortLeavesTheOldStoreWhole) {
    HKEY key = CreateKey("Cut");
    ASSERT_EQ(ERROR_SUCCESS, WriteDword(key, "Value", 7));
    RegCloseKey(key);
    const std::string before = ReadFileText(storePath_);

    // A child whose files may not grow much past the store's present size:
    // its write of a large value stops part-way, as on a full disk.
    pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{before.size() + 16, before.size() + 16};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(255);
        HKEY childKey = nullptr;
        LONG result = RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath("Cut").c_str(), 0, KEY_SET_VALUE, &childKey);
        std::vector<BYTE> large(4096, 0x5A);
        if (result == ERROR_SUCCESS) {
            result = RegSetValueExA(childKey, "Large", 0, REG_BINARY, large.data(), static_cast<DWORD>(large.size()));
        }
        _exit(static_cast<int>(result));
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(ERROR_DISK_FULL, WEXITSTATUS(status));

    EXPECT_EQ(before, ReadFileText(storePath_));
    EXPECT_EQ(1u, FolderEntries(StoreFolder()).size()) << "a temporary file was left behind";
    LONG result = 0;
    EXPECT_EQ(7u, ReadDword(KeyPath("Cut"), "Value", &result));
}

class ScopedEnvironment {
public:
    explicit ScopedEnvironment(const char* name) : name_(name) {
        const char* value = std::getenv(name);
        if (value != nullptr) saved_ = value;
        wasSet_ = value != nullptr;
    }
    ~ScopedEnvironment() {
        if (wasSet_) {
            setenv(name_, saved_.c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    void Set(const std::string& value) { setenv(name_, value.c_str(), 1); }
    void Unset() { unsetenv(name_); }

private:
    const char* name_;
    std::string saved_;
    bool wasSet_ = false;
};

TEST(RegistryPathTest, ExplicitPathThenEnvironmentThenConfigurationFolder) {
    ScopedEnvironment registry("VANTELBROOK_REGISTRY");
    ScopedEnvironment xdg("XDG_CONFIG_HOME");
    ScopedEnvironment home("HOME");
    vbplatform::SetRegistryPath("");

    registry.Unset();
    xdg.Unset();
    home.Set("/home/someone");
    EXPECT_EQ("/home/someone/.config/vantelbrook/registry.reg", vbplatform::RegistryPath());
    xdg.Set("/xdg/config");
    EXPECT_EQ("/xdg/config/vantelbrook/registry.reg", vbplatform::RegistryPath());
    registry.Set("/from/environment.reg");
    EXPECT_EQ("/from/environment.reg", vbplatform::RegistryPath());
    vbplatform::SetRegistryPath("/set/by/test.reg");
    EXPECT_EQ("/set/by/test.reg", vbplatform::RegistryPath());
    vbplatform::SetRegistryPath("");
}

TEST(RegistryPathTest, FirstWriteCreatesTheConfigurationFolder) {
    TempFolder folder;
    ScopedEnvironment registry("VANTELBROOK_REGISTRY");
    ScopedEnvironment xdg("XDG_CONFIG_HOME");
    registry.Unset();
    xdg.Set(folder.Join("xdg"));
    vbplatform::SetRegistryPath("");

    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\VantelbrookTests", 0, nullptr,
                                             REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr));
    RegCloseKey(key);
    struct stat status {};
    EXPECT_EQ(0, stat(folder.Join("xdg/vantelbrook/registry.reg").c_str(), &status));
}

}  // namespace
}  // namespace vbtest

#endif  // _WIN32
