#include "engine_fixture.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "plugin/dialog_template.h"
#include "plugin/lifecycle.h"
#include "plugin/messages.h"
#include "transfer/copy_buffer.h"
#include "test_support.h"
#include "vbwin32.h"

namespace fs = std::filesystem;

// Creation, last access and last write, whole seconds apart. The last access
// lies ahead of the present so that reading the local source does not move it.
const std::vector<uint64_t> EngineScenario::SourceTimes = {126000000000000000ull,
                                                           157000000000000000ull,
                                                           129000000000000000ull};

static const char DeviceSourceName[] = "\\src.bin";
static const char DeviceTargetName[] = "\\dst.bin";

PreparedCopy::~PreparedCopy() {
    delete source;
    delete target;
}

std::string DialogSeen::LastText(int item) const {
    for (auto it = texts.rbegin(); it != texts.rend(); ++it)
        if (it->first == item) return it->second;
    return std::string();
}

std::string PatternBytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<char>(state >> 24);
    }
    return bytes;
}

unsigned FloorChunks(size_t size) {
    return static_cast<unsigned>((size + CopyBufferFloor - 1) / CopyBufferFloor);
}

const char* DirectionName(Direction direction) {
    return direction == Direction::Download ? "Download" : "Upload";
}

static FILETIME Time(uint64_t ticks) { return vbdevice::MakeFileTime(ticks); }

void EngineScenario::SetUp() {
    DeviceScenario::SetUp();
    StartHost();
    // The module's objects in this test get the record the host handed to
    // the loaded module.
    StartModule(Host().StartupRecord());
    RAPIINIT init;
    std::memset(&init, 0, sizeof init);
    init.cbSize = sizeof init;
    ASSERT_EQ(CeRapiInitEx(&init), S_OK);
    ASSERT_TRUE(vbdevice::IsLinkUp());
}

void EngineScenario::TearDown() {
    CeRapiUninit();
    DeviceScenario::TearDown();
}

std::string EngineScenario::LocalPath(const std::string& name) const {
    return (fs::path(local_) / name).string();
}

static void WriteLocal(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

static std::vector<uint64_t> LocalTimes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME creation{}, access{}, write{};
    EXPECT_TRUE(GetFileTime(file, &creation, &access, &write));
    CloseHandle(file);
    return {vbdevice::FileTimeTicks(creation), vbdevice::FileTimeTicks(access),
            vbdevice::FileTimeTicks(write)};
}

static void SetLocalTimes(const std::string& path, const std::vector<uint64_t>& times) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME creation = Time(times[0]), access = Time(times[1]), write = Time(times[2]);
    EXPECT_TRUE(SetFileTime(file, &creation, &access, &write));
    CloseHandle(file);
}

static void CopyPath(char (&target)[CopyJobPathSize], const std::string& path) {
    std::strncpy(target, path.c_str(), CopyJobPathSize - 1);
}

std::unique_ptr<PreparedCopy> EngineScenario::Prepare(Direction direction, const std::string& content,
                                                      uint64_t sparseSize) {
    auto copy = std::make_unique<PreparedCopy>();
    copy->direction = direction;
    copy->content = content;
    if (direction == Direction::Download) {
        copy->devicePath = Wide(DeviceSourceName);
        copy->localPath = LocalPath("target.bin");
        MakeDeviceFile(DeviceSourceName, content);
        if (sparseSize) fs::resize_file(vbdevice::DiskPathOf(copy->devicePath.c_str()), sparseSize);
        EXPECT_TRUE(vbdevice::SetEntryTimes(copy->devicePath.c_str(), Time(SourceTimes[0]),
                                            Time(SourceTimes[1]), Time(SourceTimes[2])));
        copy->sourceTimes = SourceTimes;
        HANDLE device = CeCreateFile(copy->devicePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        HANDLE local = CreateFileA(copy->localPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(device, INVALID_HANDLE_VALUE);
        EXPECT_NE(local, INVALID_HANDLE_VALUE);
        copy->source = new DeviceFile(device, copy->devicePath.c_str());
        copy->target = new LocalFile(local, copy->localPath.c_str());
        copy->job.Upload = 0;
        CopyPath(copy->job.SourcePath, DeviceSourceName);
        CopyPath(copy->job.TargetPath, copy->localPath);
    } else {
        copy->devicePath = Wide(DeviceTargetName);
        copy->localPath = LocalPath("source.bin");
        WriteLocal(copy->localPath, content);
        if (sparseSize) fs::resize_file(copy->localPath, sparseSize);
        SetLocalTimes(copy->localPath, SourceTimes);
        copy->sourceTimes = LocalTimes(copy->localPath);
        HANDLE local = CreateFileA(copy->localPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        HANDLE device = CeCreateFile(copy->devicePath.c_str(), GENERIC_WRITE, 0, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(local, INVALID_HANDLE_VALUE);
        EXPECT_NE(device, INVALID_HANDLE_VALUE);
        copy->source = new LocalFile(local, copy->localPath.c_str());
        copy->target = new DeviceFile(device, copy->devicePath.c_str());
        copy->job.Upload = 1;
        CopyPath(copy->job.SourcePath, copy->localPath);
        CopyPath(copy->job.TargetPath, DeviceTargetName);
    }
    copy->job.Source = copy->source;
    copy->job.Target = copy->target;
    return copy;
}

int EngineScenario::Run(PreparedCopy& copy, int opMode, int overwriteMode) {
    PanelInstance panel;
    std::memset(&panel, 0, sizeof panel);
    panel.OverwriteMode = overwriteMode;
    int result = CopyFileJob(panel, copy.job, opMode);
    // The builder destroys both endpoints once the copy has returned.
    delete copy.source;
    delete copy.target;
    copy.source = copy.target = nullptr;
    return result;
}

bool EngineScenario::TargetExists(const PreparedCopy& copy) {
    if (copy.direction == Direction::Download) return fs::exists(copy.localPath);
    return DeviceEntryExists(DeviceTargetName);
}

std::string EngineScenario::TargetContent(const PreparedCopy& copy) {
    if (copy.direction == Direction::Upload) return DeviceFileContent(DeviceTargetName);
    std::ifstream in(copy.localPath, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<uint64_t> EngineScenario::TargetTimes(const PreparedCopy& copy) {
    if (copy.direction == Direction::Upload) {
        vbdevice::EntryInfo info;
        EXPECT_TRUE(vbdevice::GetEntryInfo(copy.devicePath.c_str(), &info));
        return {vbdevice::FileTimeTicks(info.creation), vbdevice::FileTimeTicks(info.lastAccess),
                vbdevice::FileTimeTicks(info.lastWrite)};
    }
    return LocalTimes(copy.localPath);
}

bool EngineScenario::LocalKeepsCreationTime() {
    std::string probe = LocalPath("creation-probe");
    WriteLocal(probe, "");
    SetLocalTimes(probe, SourceTimes);
    bool kept = LocalTimes(probe)[0] == SourceTimes[0];
    fs::remove(probe);
    return kept;
}

void EngineScenario::ExpectSourceTimes(const PreparedCopy& copy) {
    std::vector<uint64_t> target = TargetTimes(copy);
    ASSERT_EQ(target.size(), 3u);
    if (copy.direction == Direction::Upload || LocalKeepsCreationTime()) {
        EXPECT_EQ(target[0], copy.sourceTimes[0]) << "creation";
    }
    EXPECT_EQ(target[1], copy.sourceTimes[1]) << "last access";
    EXPECT_EQ(target[2], copy.sourceTimes[2]) << "last write";
}

void EngineScenario::NoteClosed(vbhost::RunningDialog& dialog, DialogSeen& seen) {
    seen.appeared = true;
    seen.title = dialog.Text(0);
    seen.sourceText = dialog.Text(2);
    seen.targetText = dialog.Text(5);
    seen.starts = dialog.SentCount(DM_COPYSTART);
    seen.progress = dialog.SentCount(DM_COPYPROGRESS);
    seen.done = dialog.SentCount(DM_COPYDONE);
    seen.errors = dialog.SentCount(DM_COPYERROR);
    seen.texts = dialog.TextsSet();
}

vbhost::ScriptedUi::DialogHandler EngineScenario::Watch(DialogSeen& seen) {
    return [&seen](vbhost::RunningDialog& dialog) {
        // Runs the modal loop until the worker closes the dialog.
        dialog.WaitFor([] { return false; });
        NoteClosed(dialog, seen);
    };
}

std::vector<std::string> EngineScenario::Trace() { return vbhost::TakeTrace(); }

std::vector<vbhost::MessageCall> EngineScenario::ErrorBoxes() { return MessagesTitled(Text(MErrorTitle)); }
