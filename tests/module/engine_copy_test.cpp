// The copy engine end to end: real files on the emulated device and the
// local disk, the emulated host's progress dialog, the user's answers, and
// failures of the source or the target. Every check reads the target's bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "engine_fixture.h"
#include "plugin/messages.h"
#include "standard_functions.h"
#include "transfer/copy_buffer.h"
#include "transfer/progress_display.h"

namespace fs = std::filesystem;

namespace {

const size_t FileSize = 2000000;  // twelve chunks of the floor buffer

bool Contains(const std::vector<std::string>& trace, const std::string& line) {
    return std::find(trace.begin(), trace.end(), line) != trace.end();
}

std::string Truncated(std::string path) {
    std::vector<char> text(path.begin(), path.end());
    text.push_back(0);
    vbhost::HostTruncPathStr(text.data(), ProgressPathWidth);
    return text.data();
}

// Waits, without sleeping, until the worker has counted `bytes`.
bool WorkerReached(const CopyJob& job, uint32_t bytes) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (job.CopiedBytes.load() < bytes) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

class Copies : public EngineScenario, public ::testing::WithParamInterface<Direction> {};

INSTANTIATE_TEST_SUITE_P(BothWays, Copies, ::testing::Values(Direction::Download, Direction::Upload),
                         [](const ::testing::TestParamInfo<Direction>& info) {
                             return std::string(DirectionName(info.param));
                         });

TEST_P(Copies, EmptySourceRunsNoWorkerAndGetsTheSourceTimes) {
    auto copy = Prepare(GetParam(), "");
    EXPECT_EQ(Run(*copy), 1);
    EXPECT_TRUE(Host().Dialogs().empty());
    EXPECT_TRUE(Host().Messages().empty());
    EXPECT_TRUE(TargetExists(*copy));
    EXPECT_EQ(TargetContent(*copy), "");
    ExpectSourceTimes(*copy);
    EXPECT_FALSE(copy->job.Failed.load() || copy->job.Aborted.load());
}

TEST_P(Copies, BehindTheDialogCopiesEveryByteAndTheTimes) {
    auto copy = Prepare(GetParam(), PatternBytes(FileSize));
    DialogSeen seen;
    Host().Script().OnDialog(Watch(seen));
    EXPECT_EQ(Run(*copy), 1);

    EXPECT_EQ(TargetContent(*copy), copy->content);
    ExpectSourceTimes(*copy);
    EXPECT_FALSE(copy->job.Failed.load() || copy->job.Aborted.load() || copy->job.CancelAll.load());
    ASSERT_TRUE(seen.appeared);
    bool upload = GetParam() == Direction::Upload;
    EXPECT_EQ(seen.title, Text(upload ? MUploadTitle : MCopyTitle));
    std::string sourcePath = upload ? copy->localPath : "\\src.bin";
    std::string targetPath = upload ? "\\dst.bin" : copy->localPath;
    EXPECT_EQ(seen.sourceText, Truncated(sourcePath));
    EXPECT_EQ(seen.targetText, Truncated(targetPath));
    EXPECT_EQ(seen.starts, 1);
    EXPECT_EQ(seen.progress, static_cast<int>(FloorChunks(FileSize)));
    EXPECT_EQ(seen.done, 1);
    EXPECT_EQ(seen.errors, 0);
    EXPECT_EQ(seen.LastText(ProgressBar), std::string(ProgressBarWidth, static_cast<char>(BarFullCell)));
    EXPECT_NE(seen.LastText(ProgressStatistics).find("[100%]"), std::string::npos)
        << seen.LastText(ProgressStatistics);
    EXPECT_TRUE(Host().Messages().empty());
}

struct ModeCase {
    const char* name;
    int opMode;
    int overwriteMode;
    bool dialog;
};

class CopyModes : public EngineScenario, public ::testing::WithParamInterface<ModeCase> {};

// Silence and "skip all existing files" run inline; "overwrite all" does not.
TEST_P(CopyModes, ChooseBetweenInlineAndTheDialog) {
    const ModeCase& c = GetParam();
    auto copy = Prepare(Direction::Download, PatternBytes(FileSize, 7));
    DialogSeen seen;
    if (c.dialog) Host().Script().OnDialog(Watch(seen));
    EXPECT_EQ(Run(*copy, c.opMode, c.overwriteMode), 1);
    EXPECT_EQ(Host().Dialogs().size(), c.dialog ? 1u : 0u);
    EXPECT_EQ(TargetContent(*copy), copy->content);
    ExpectSourceTimes(*copy);
}

INSTANTIATE_TEST_SUITE_P(Table, CopyModes,
                         ::testing::Values(ModeCase{"Silent", OPM_SILENT, 0, false},
                                           ModeCase{"SilentView", OPM_SILENT | OPM_VIEW, 0, false},
                                           ModeCase{"SkipAll", 0, 2, false},
                                           ModeCase{"Ask", 0, 0, true},
                                           ModeCase{"OverwriteAll", 0, 1, true}),
                         [](const ::testing::TestParamInfo<ModeCase>& info) {
                             return std::string(info.param.name);
                         });

class Interruption : public EngineScenario {};

TEST_F(Interruption, CloseAfterTheLastChunkClosesWithoutAsking) {
    auto copy = Prepare(Direction::Download, PatternBytes(FileSize, 3));
    unsigned chunks = FloorChunks(FileSize);
    Host().Script().OnDialog([&](vbhost::RunningDialog& dialog) {
        dialog.WaitFor([&] { return dialog.SentCount(DM_COPYPROGRESS) >= static_cast<int>(chunks); });
        // Nothing is scripted to answer a question: asking would be a violation.
        dialog.Esc();
    });
    EXPECT_EQ(Run(*copy), 1);
    EXPECT_TRUE(Host().Messages().empty());
    EXPECT_EQ(TargetContent(*copy), copy->content);
    ExpectSourceTimes(*copy);
}

struct AnswerCase {
    const char* name;
    bool button;  // the dialog's button instead of Esc
    int answer;   // Yes 0, No 1, Cancel 2, Esc -1
    bool abandoned;
    int result;
};

class AbortQuestion : public EngineScenario, public ::testing::WithParamInterface<AnswerCase> {};

// The worker is held in its third read while the user asks to stop; the
// answer comes once the worker has finished that chunk and waits for it.
TEST_P(AbortQuestion, DecidesTheFateOfTheFile) {
    const AnswerCase& c = GetParam();
    auto copy = Prepare(Direction::Download, PatternBytes(FileSize, 5));
    vbdevice::ArmReadGate(3);
    DialogSeen seen;
    Host().Script().OnDialog([&](vbhost::RunningDialog& dialog) {
        ASSERT_TRUE(vbdevice::WaitForHeldRead());
        if (c.button)
            dialog.Press(ProgressButton);
        else
            dialog.Esc();
        dialog.WaitFor([] { return false; });
        NoteClosed(dialog, seen);
    });
    bool reached = false;
    Host().Script().OnMessage([&](const vbhost::MessageCall&) {
        vbdevice::ReleaseReadGate();
        reached = WorkerReached(copy->job, 3 * CopyBufferFloor);
        return c.answer;
    });
    Trace();

    EXPECT_EQ(Run(*copy), c.result);
    EXPECT_TRUE(reached);
    std::vector<vbhost::MessageCall> messages = Host().Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].flags, 0x50003u);
    EXPECT_EQ(messages[0].items, (std::vector<std::string>{Text(MAbortTitle), Text(MAbortQuestion)}));
    EXPECT_EQ(messages[0].buttonsNumber, 0);
    EXPECT_EQ(copy->job.Aborted.load(), c.abandoned ? 1 : 0);
    EXPECT_EQ(copy->job.CancelAll.load(), c.result == 0 ? 1 : 0);
    EXPECT_FALSE(copy->job.Failed.load());
    std::vector<std::string> trace = Trace();
    if (c.abandoned) {
        EXPECT_FALSE(TargetExists(*copy));
        // The worker stopped right after the chunk it was in: three reads,
        // two chunks reported.
        EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeReadFile), 3u);
        EXPECT_EQ(seen.progress, 2);
        EXPECT_TRUE(Contains(trace, "Deleting partial file\n"));
    } else {
        EXPECT_EQ(TargetContent(*copy), copy->content);
        ExpectSourceTimes(*copy);
        EXPECT_EQ(seen.progress, static_cast<int>(FloorChunks(FileSize)));
        EXPECT_FALSE(Contains(trace, "Deleting partial file\n"));
    }
    EXPECT_EQ(seen.done, 1);
}

INSTANTIATE_TEST_SUITE_P(Table, AbortQuestion,
                         ::testing::Values(AnswerCase{"EscThenNo", false, 1, false, 1},
                                           AnswerCase{"EscThenEsc", false, -1, false, 1},
                                           AnswerCase{"EscThenYes", false, 0, true, 1},
                                           AnswerCase{"EscThenCancel", false, 2, true, 0},
                                           AnswerCase{"ButtonThenNo", true, 1, false, 1},
                                           AnswerCase{"ButtonThenYes", true, 0, true, 1},
                                           AnswerCase{"ButtonThenCancel", true, 2, true, 0}),
                         [](const ::testing::TestParamInfo<AnswerCase>& info) {
                             return std::string(info.param.name);
                         });

class Failures : public EngineScenario {
protected:
    // One error box behind the dialog, none inline; in both the file counts
    // as not copied and nothing of it is left.
    void ExpectFailed(PreparedCopy& copy, int result, bool dialog, const std::string& number) {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(copy.job.Failed.load(), 1);
        EXPECT_EQ(copy.job.Aborted.load(), 0);
        EXPECT_FALSE(TargetExists(copy));
        std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
        if (dialog) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].buttons.size(), 1u);
            ASSERT_GE(boxes[0].items.size(), 3u);
            EXPECT_EQ(boxes[0].items[1], "Win32 Error #");
            EXPECT_EQ(boxes[0].items[2], number);
        } else {
            EXPECT_TRUE(Host().Messages().empty());
        }
        EXPECT_TRUE(Contains(Trace(), "Deleting partial file\n"));
    }
};

TEST_F(Failures, SourceThatEndsEarlyBehindTheDialog) {
    auto copy = Prepare(Direction::Download, PatternBytes(FileSize, 9));
    vbdevice::ArmReadGate(2);
    DialogSeen seen;
    Host().Script().OnDialog([&](vbhost::RunningDialog& dialog) {
        ASSERT_TRUE(vbdevice::WaitForHeldRead());
        // The device file shrinks under the open handle.
        fs::resize_file(vbdevice::DiskPathOf(copy->devicePath.c_str()), 100);
        vbdevice::ReleaseReadGate();
        dialog.WaitFor([] { return false; });
        NoteClosed(dialog, seen);
    });
    Host().Script().AnswerMessage(0);
    Trace();
    int result = Run(*copy);
    ExpectFailed(*copy, result, true, "38");  // ERROR_HANDLE_EOF
    EXPECT_EQ(seen.errors, 1);
    EXPECT_EQ(seen.done, 1);
    EXPECT_EQ(seen.progress, 1);
}

struct FaultCase {
    const char* name;
    Direction direction;
    bool dialog;
    void (*arm)();
    const char* number;  // the error number the box shows
};

class Faults : public Failures, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(Faults, EndTheCopyAsNotCopied) {
    const FaultCase& c = GetParam();
    auto copy = Prepare(c.direction, PatternBytes(FileSize, 11));
    c.arm();
    DialogSeen seen;
    if (c.dialog) {
        Host().Script().OnDialog(Watch(seen));
        Host().Script().AnswerMessage(0);
    }
    Trace();
    int result = Run(*copy, c.dialog ? 0 : OPM_SILENT);
    vbdevice::ClearFaults();
    ExpectFailed(*copy, result, c.dialog, c.number);
    if (c.dialog) {
        EXPECT_EQ(seen.errors, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Faults,
    ::testing::Values(
        FaultCase{"ReadFailsBehindTheDialog", Direction::Download, true,
                  [] { vbdevice::FailCall(vbdevice::Operation::CeReadFile, 3, ERROR_ACCESS_DENIED); }, "5"},
        FaultCase{"ReadFailsInline", Direction::Download, false,
                  [] { vbdevice::FailCall(vbdevice::Operation::CeReadFile, 3, ERROR_ACCESS_DENIED); }, ""},
        FaultCase{"SourceEndsAtOnceBehindTheDialog", Direction::Download, true,
                  [] { vbdevice::SetReadLimit(0); }, "38"},
        FaultCase{"SourceEndsAtOnceInline", Direction::Download, false, [] { vbdevice::SetReadLimit(0); }, ""},
        FaultCase{"WriteFailsBehindTheDialog", Direction::Upload, true, [] { vbdevice::SetWriteLimit(0); }, "112"},
        FaultCase{"WriteFailsInline", Direction::Upload, false, [] { vbdevice::SetWriteLimit(0); }, ""},
        // The second chunk fits in part: a short write, then one that moves nothing.
        FaultCase{"DeviceFillsBehindTheDialog", Direction::Upload, true,
                  [] { vbdevice::SetCapacity(300000); }, "112"},
        FaultCase{"DeviceFillsInline", Direction::Upload, false, [] { vbdevice::SetCapacity(300000); }, ""}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

struct ShortCase {
    const char* name;
    Direction direction;
    void (*arm)();
};

class ShortTransfers : public EngineScenario, public ::testing::WithParamInterface<ShortCase> {};

// Reads and writes that move less than asked, but something, lose nothing.
TEST_P(ShortTransfers, StillCopyEveryByte) {
    const ShortCase& c = GetParam();
    auto copy = Prepare(c.direction, PatternBytes(600000, 13));
    c.arm();
    DialogSeen seen;
    Host().Script().OnDialog(Watch(seen));
    EXPECT_EQ(Run(*copy), 1);
    vbdevice::ClearFaults();
    EXPECT_EQ(TargetContent(*copy), copy->content);
    ExpectSourceTimes(*copy);
    EXPECT_FALSE(copy->job.Failed.load());
    EXPECT_TRUE(Host().Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShortTransfers,
    ::testing::Values(ShortCase{"ShortReads", Direction::Download, [] { vbdevice::SetReadLimit(50001); }},
                      ShortCase{"ShortWrites", Direction::Upload, [] { vbdevice::SetWriteLimit(50001); }}),
    [](const ::testing::TestParamInfo<ShortCase>& info) { return std::string(info.param.name); });

class TooLarge : public Failures, public ::testing::WithParamInterface<bool> {};

// A local file of 4 GiB and more does not fit the engine's 32-bit sizes: it
// is refused before a byte is written, never cut to its low 32 bits.
TEST_P(TooLarge, LocalSourceIsRefused) {
    bool silent = GetParam();
    // Sparse: takes no room on the disk.
    auto copy = Prepare(Direction::Upload, "x", (uint64_t{1} << 32) + 10);
    if (!silent) Host().Script().AnswerMessage(0);
    vbdevice::ResetCallCounts();
    Trace();
    int result = Run(*copy, silent ? OPM_SILENT : 0);
    EXPECT_TRUE(Host().Dialogs().empty());
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeWriteFile), 0u);
    ExpectFailed(*copy, result, !silent, "223");
}

INSTANTIATE_TEST_SUITE_P(BothModes, TooLarge, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Silent" : "Reported");
                         });

}  // namespace
