#include "device_fixture.h"

#include <atomic>
#include <fstream>
#include <sstream>

#include "local_folder.h"
#include "rapi.h"

DeviceString W(const std::string& ascii) {
    DeviceString text;
    for (char c : ascii) text += static_cast<WCHAR>(static_cast<unsigned char>(c));
    return text;
}

Outcome Took(BOOL result) { return Outcome{result != FALSE, CeGetLastError(), CeRapiGetError()}; }

Outcome TookHandle(HANDLE handle) {
    return Outcome{handle != INVALID_HANDLE_VALUE, CeGetLastError(), CeRapiGetError()};
}

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
    return out << (outcome.ok ? "succeeded" : "failed") << ", CeGetLastError " << outcome.error
               << ", CeRapiGetError 0x" << std::hex << static_cast<std::uint32_t>(outcome.link)
               << std::dec;
}

::testing::AssertionResult Matches(const Outcome& actual, const Expected& expected) {
    if (actual.ok == expected.ok && actual.error == expected.error && actual.link == S_OK) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "the call " << actual << "; expected it to "
           << (expected.ok ? "succeed" : "fail") << " with CeGetLastError " << expected.error;
}

void DeviceTest::SetUp() {
    static std::atomic<int> serial{0};
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    storage_ = std::filesystem::temp_directory_path() /
               ("vbdevice-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++) + "-" +
                name);
    ASSERT_TRUE(vbhost::RemoveLocalTree(storage_)) << "a folder left by an earlier run";
    std::filesystem::create_directories(storage_);
    vbdevice::Reset();
    vbdevice::SetStorageFolder(storage_);
    Connect();
}

void DeviceTest::TearDown() {
    vbdevice::Reset();
    EXPECT_TRUE(vbhost::RemoveLocalTree(storage_)) << "the device left a file open in " << storage_;
}

void DeviceTest::Connect() {
    vbdevice::SetConnectionModel({vbdevice::ConnectMode::Immediate, 0});
    RAPIINIT init{};
    init.cbSize = sizeof(RAPIINIT);
    ASSERT_EQ(CeRapiInitEx(&init), S_OK);
    ASSERT_EQ(init.hrRapiInit, S_OK);
    ASSERT_TRUE(vbdevice::IsLinkUp());
}

std::filesystem::path DeviceTest::Disk(const std::string& relative) const {
    return storage_ / std::filesystem::u8path(relative);
}

void DeviceTest::PutDiskFile(const std::string& relative, const std::string& content) {
    std::filesystem::create_directories(Disk(relative).parent_path());
    std::ofstream out(Disk(relative), std::ios::binary);
    out << content;
}

std::string DeviceTest::DiskFileContent(const std::string& relative) const {
    std::ifstream in(Disk(relative), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void DeviceTest::MakeDir(const std::string& devicePath) {
    ASSERT_TRUE(CeCreateDirectory(W(devicePath).c_str(), nullptr)) << devicePath << ": " << CeGetLastError();
}

void DeviceTest::MakeFile(const std::string& devicePath, const std::string& content) {
    HANDLE file = CeCreateFile(W(devicePath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << devicePath << ": " << CeGetLastError();
    DWORD written = 0;
    if (!content.empty()) {
        ASSERT_TRUE(CeWriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
        ASSERT_EQ(written, content.size());
    }
    ASSERT_TRUE(CeCloseHandle(file));
}

std::string DeviceTest::ReadAll(const std::string& devicePath) {
    HANDLE file = CeCreateFile(W(devicePath).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << devicePath << ": " << CeGetLastError();
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string content;
    char buffer[7];  // odd and small, so that reads end mid-file
    DWORD read = 0;
    while (CeReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) content.append(buffer, read);
    EXPECT_TRUE(CeCloseHandle(file));
    return content;
}

bool DeviceTest::Exists(const std::string& devicePath) {
    return CeGetFileAttributes(W(devicePath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD DeviceTest::Attributes(const std::string& devicePath) {
    return CeGetFileAttributes(W(devicePath).c_str());
}
