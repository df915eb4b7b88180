// Faults on demand, counters, the link model and the environment.
#include <chrono>
#include <cstdlib>

#include "device_fixture.h"
#include "rapi.h"

namespace {

class FaultTest : public DeviceTest {
protected:
    HANDLE OpenForWriting(const char* path) {
        HANDLE file = CeCreateFile(W(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        return file;
    }
};

TEST_F(FaultTest, TheNthCallOfAnOperationFailsOnce) {
    vbdevice::FailCall(vbdevice::Operation::CeCreateDirectory, 2, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Matches(Took(CeGetFileAttributes(VB_WTEXT("\\")) != INVALID_FILE_ATTRIBUTES), kSucceeds))
        << "other operations do not count";
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(VB_WTEXT("\\a"), nullptr)), kSucceeds));
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(VB_WTEXT("\\b"), nullptr)), FailsWith(ERROR_ACCESS_DENIED)));
    EXPECT_FALSE(Exists("\\b")) << "the failed call did nothing";
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(VB_WTEXT("\\b"), nullptr)), kSucceeds));

    vbdevice::FailCall(vbdevice::Operation::CeFindAllFiles, 1, ERROR_NOT_ENOUGH_MEMORY);
    DWORD count = 0;
    LPCE_FIND_DATA array = nullptr;
    EXPECT_TRUE(Matches(Took(CeFindAllFiles(VB_WTEXT("\\*.*"), FAF_NAME, &count, &array)),
                        FailsWith(ERROR_NOT_ENOUGH_MEMORY)));
    EXPECT_EQ(vbdevice::OutstandingBufferCount(), 0u);
}

TEST_F(FaultTest, TheLinkDropsAtTheNthCallAndStaysDown) {
    vbdevice::DropLinkAtCall(3);
    EXPECT_TRUE(CeCreateDirectory(VB_WTEXT("\\a"), nullptr));
    EXPECT_NE(CeGetFileAttributes(VB_WTEXT("\\a")), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(CeCreateDirectory(VB_WTEXT("\\b"), nullptr));
    EXPECT_EQ(CeRapiGetError(), E_FAIL);
    EXPECT_EQ(CeGetLastError(), 0u);
    EXPECT_FALSE(vbdevice::IsLinkUp());
    EXPECT_EQ(CeGetFileAttributes(VB_WTEXT("\\a")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(CeRapiGetError(), E_FAIL);
    CeRapiUninit();
    Connect();
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(VB_WTEXT("\\b"), nullptr)), kSucceeds));
}

TEST_F(FaultTest, ShortReadsDeliverEverythingInPieces) {
    MakeFile("\\f", "0123456789abcdefghij");
    vbdevice::SetReadLimit(6);
    HANDLE file = CeCreateFile(VB_WTEXT("\\f"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[64];
    DWORD read = 0;
    std::string content;
    std::vector<DWORD> pieces;
    while (CeReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        pieces.push_back(read);
        content.append(buffer, read);
    }
    CeCloseHandle(file);
    EXPECT_EQ(content, "0123456789abcdefghij");
    EXPECT_EQ(pieces, (std::vector<DWORD>{6, 6, 6, 2}));
}

TEST_F(FaultTest, ShortWritesAndWritesThatWriteNothing) {
    HANDLE file = OpenForWriting("\\f");
    vbdevice::SetWriteLimit(4);
    DWORD written = 99;
    EXPECT_TRUE(Matches(Took(CeWriteFile(file, "0123456789", 10, &written, nullptr)), kSucceeds));
    EXPECT_EQ(written, 4u);
    vbdevice::SetWriteLimit(0);
    written = 99;
    EXPECT_TRUE(Matches(Took(CeWriteFile(file, "456789", 6, &written, nullptr)), FailsWith(ERROR_DISK_FULL)));
    EXPECT_EQ(written, 0u);
    vbdevice::ClearFaults();
    EXPECT_TRUE(Matches(Took(CeWriteFile(file, "456789", 6, &written, nullptr)), kSucceeds));
    EXPECT_EQ(written, 6u);
    CeCloseHandle(file);
    EXPECT_EQ(DiskFileContent("f"), "0123456789");
}

TEST_F(FaultTest, AFullDeviceKeepsWhatFits) {
    MakeFile("\\existing", std::string(100, 'e'));
    ASSERT_EQ(vbdevice::UsedBytes(), 100u);
    vbdevice::SetCapacity(110);
    HANDLE file = OpenForWriting("\\f");
    DWORD written = 99;
    EXPECT_TRUE(Matches(Took(CeWriteFile(file, "0123456789abcdef", 16, &written, nullptr)),
                        FailsWith(ERROR_DISK_FULL)));
    EXPECT_EQ(written, 10u);
    EXPECT_TRUE(Matches(Took(CeWriteFile(file, "x", 1, &written, nullptr)), FailsWith(ERROR_DISK_FULL)));
    EXPECT_EQ(written, 0u);
    CeCloseHandle(file);
    EXPECT_EQ(DiskFileContent("f"), "0123456789");

    // Overwriting in place needs no room.
    file = CeCreateFile(VB_WTEXT("\\f"), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_TRUE(Matches(Took(CeWriteFile(file, "ABCDEFGHIJ", 10, &written, nullptr)), kSucceeds));
    CeCloseHandle(file);
    EXPECT_EQ(DiskFileContent("f"), "ABCDEFGHIJ");

    EXPECT_TRUE(Matches(Took(CeCopyFile(VB_WTEXT("\\f"), VB_WTEXT("\\copy"), TRUE)), FailsWith(ERROR_DISK_FULL)));
    EXPECT_FALSE(Exists("\\copy"));
    vbdevice::SetCapacity(120);
    EXPECT_TRUE(Matches(Took(CeCopyFile(VB_WTEXT("\\f"), VB_WTEXT("\\copy"), TRUE)), kSucceeds));
}

TEST_F(FaultTest, CountsCallsPerOperation) {
    vbdevice::ResetCallCounts();
    CeCreateDirectory(VB_WTEXT("\\a"), nullptr);
    CeCreateDirectory(VB_WTEXT("\\a"), nullptr);  // failures count too
    CeGetFileAttributes(VB_WTEXT("\\a"));
    CeGetLastError();
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeCreateDirectory), 2u);
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeGetFileAttributes), 1u);
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeGetLastError), 1u);
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeFindAllFiles), 0u);
    vbdevice::ResetCallCounts();
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeCreateDirectory), 0u);
}

TEST_F(FaultTest, TheLinkModelMakesCallsTakeTheirTime) {
    MakeFile("\\f", std::string(20000, 'x'));
    vbdevice::SetLinkModel({40, 0});
    auto start = std::chrono::steady_clock::now();
    CeGetFileAttributes(VB_WTEXT("\\f"));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));

    vbdevice::SetLinkModel({0, 100000});  // 20000 bytes: 200 ms
    HANDLE file = CeCreateFile(VB_WTEXT("\\f"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    std::vector<char> buffer(20000);
    DWORD read = 0;
    start = std::chrono::steady_clock::now();
    ASSERT_TRUE(CeReadFile(file, buffer.data(), 20000, &read, nullptr));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_EQ(read, 20000u);
    vbdevice::SetLinkModel({});
    CeCloseHandle(file);
}

TEST(DeviceConfigurationText, ConnectionModels) {
    struct Case {
        const char* text;
        bool parses;
        vbdevice::ConnectMode mode;
        unsigned delay;
    } cases[] = {
        {"now", true, vbdevice::ConnectMode::Immediate, 0},
        {"delay:2000", true, vbdevice::ConnectMode::Delayed, 2000},
        {" fail ", true, vbdevice::ConnectMode::FailSignal, 0},
        {"fail-start", true, vbdevice::ConnectMode::FailStart, 0},
        {"never", true, vbdevice::ConnectMode::NeverSignal, 0},
        {"delay:", false, {}, 0},
        {"delay:-5", false, {}, 0},
        {"later", false, {}, 0},
    };
    for (const Case& c : cases) {
        vbdevice::ConnectionModel model{vbdevice::ConnectMode::NeverSignal, 77};
        EXPECT_EQ(vbdevice::ParseConnectionModel(c.text, &model), c.parses) << c.text;
        if (c.parses) {
            EXPECT_EQ(model.mode, c.mode) << c.text;
            EXPECT_EQ(model.delayMs, c.delay) << c.text;
        } else {
            EXPECT_EQ(model.delayMs, 77u) << c.text << ": untouched";
        }
    }
}

TEST(DeviceConfigurationText, LinkModels) {
    struct Case {
        const char* text;
        bool parses;
        unsigned latency;
        std::uint64_t bandwidth;
    } cases[] = {
        {"latency=20,bandwidth=3000000", true, 20, 3000000},
        {"bandwidth=100000", true, 0, 100000},
        {"latency = 5", true, 5, 0},
        {"off", true, 0, 0},
        {"latency=fast", false, 0, 0},
        {"speed=1", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        vbdevice::LinkModel model{9, 9};
        EXPECT_EQ(vbdevice::ParseLinkModel(c.text, &model), c.parses) << c.text;
        if (c.parses) {
            EXPECT_EQ(model.latencyMs, c.latency) << c.text;
            EXPECT_EQ(model.bytesPerSecond, c.bandwidth) << c.text;
        }
    }
}

void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    if (value.empty()) {
        unsetenv(name);
    } else {
        setenv(name, value.c_str(), 1);
    }
#endif
}

TEST_F(FaultTest, TheEnvironmentSetsStorageAndConnection) {
    const std::filesystem::path other = storage_ / "from-environment";
    SetEnvironment("VANTELBROOK_DEVICE_STORAGE", other.u8string());
    SetEnvironment("VANTELBROOK_DEVICE_CONNECT", "never");
    SetEnvironment("VANTELBROOK_DEVICE_LINK", "latency=0,bandwidth=0");
    vbdevice::ConfigureFromEnvironment();
    SetEnvironment("VANTELBROOK_DEVICE_STORAGE", "");
    SetEnvironment("VANTELBROOK_DEVICE_CONNECT", "");
    SetEnvironment("VANTELBROOK_DEVICE_LINK", "");

    EXPECT_EQ(vbdevice::StorageFolder(), other);
    EXPECT_TRUE(std::filesystem::is_directory(other));
    CeRapiUninit();
    RAPIINIT init{};
    init.cbSize = sizeof(RAPIINIT);
    ASSERT_EQ(CeRapiInitEx(&init), S_OK);
    EXPECT_EQ(WaitForSingleObject(init.heRapiInit, 0), WAIT_TIMEOUT);
    EXPECT_FALSE(vbdevice::IsLinkUp());
}

}  // namespace
