// The progress dialog's procedure with the test in the worker's place: what
// a close request does at each stage of a copy, and what each answer to the
// abort question leaves for the worker.
#include <gtest/gtest.h>

#include <cstdint>

#include "engine_fixture.h"
#include "plugin/dialog_template.h"
#include "plugin/host_services.h"
#include "plugin/messages.h"
#include "transfer/progress_display.h"

namespace {

struct CloseCase {
    const char* name;
    uint32_t total, copied;
    bool button;
    int answer;  // -2: no question is expected
    int aborted, cancelAll;
};

class CloseRequests : public EngineScenario, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseRequests, LeaveClosingToTheWorker) {
    const CloseCase& c = GetParam();
    CopyJob job;
    job.SyncEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(job.SyncEvent, nullptr);
    job.TotalBytes = c.total;
    job.CopiedBytes = c.copied;
    bool asked = c.answer != -2;
    if (asked) Host().Script().AnswerMessage(c.answer);

    bool openAfterRequest = false, closedAfterDone = false;
    HANDLE handleSeen = nullptr;
    Host().Script().OnDialog([&](vbhost::RunningDialog& dialog) {
        if (c.button)
            dialog.Press(ProgressButton);
        else
            dialog.Esc();
        // The dialog is still there until the worker says it has stopped.
        dialog.WaitFor([] { return true; });
        openAfterRequest = !dialog.IsClosed();
        handleSeen = job.DialogHandle.load();
        Host().SendDlgMessage(reinterpret_cast<HANDLE>(&dialog), DM_COPYDONE, 0, 0);
        dialog.WaitFor([] { return false; });
        closedAfterDone = dialog.IsClosed();
    });

    PrepareProgressTemplate(0);
    InitDialogItems(ProgressTemplate, ProgressItems, ProgressItemCount);
    HostDialogEx(ProgressDialogWidth, ProgressDialogHeight, nullptr, ProgressItems, ProgressItemCount,
                 ProgressDialogProc, reinterpret_cast<LONG_PTR>(&job));

    EXPECT_TRUE(openAfterRequest);
    EXPECT_TRUE(closedAfterDone);
    EXPECT_NE(handleSeen, nullptr) << "DN_INITDIALOG gives the worker the dialog";
    EXPECT_EQ(job.DialogHandle.load(), nullptr) << "DM_COPYDONE takes it back";
    EXPECT_EQ(Host().Messages().size(), asked ? 1u : 0u);
    EXPECT_EQ(job.Aborted.load(), c.aborted);
    EXPECT_EQ(job.CancelAll.load(), c.cancelAll);
    // One go-ahead when the dialog opened, one more per answer; the worker,
    // not the dialog, clears the pause.
    EXPECT_EQ(job.GoAheads.load(), asked ? 2u : 1u);
    EXPECT_EQ(job.PauseRequested.load(), asked ? 1 : 0);
    EXPECT_EQ(WaitForSingleObject(job.SyncEvent, 0), WAIT_OBJECT_0);
    CloseHandle(job.SyncEvent);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CloseRequests,
    ::testing::Values(CloseCase{"AllInAsksNothing", 100, 100, false, -2, 0, 0},
                      CloseCase{"GrownSourceAsksNothing", 100, 150, false, -2, 0, 0},
                      CloseCase{"BeforeTheStartAsks", 0, 0, false, 1, 0, 0},
                      CloseCase{"MidwayNo", 100, 40, false, 1, 0, 0},
                      CloseCase{"MidwayEsc", 100, 40, false, -1, 0, 0},
                      CloseCase{"MidwayYes", 100, 40, false, 0, 1, 0},
                      CloseCase{"MidwayCancel", 100, 40, false, 2, 1, 1},
                      CloseCase{"ButtonAsksLikeEsc", 100, 40, true, 0, 1, 0}),
    [](const ::testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

class ProgressProcedure : public EngineScenario {};

TEST_F(ProgressProcedure, NoSecondQuestionOnceTheFileIsAbandoned) {
    CopyJob job;
    job.SyncEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    job.TotalBytes = 100;
    job.CopiedBytes = 40;
    Host().Script().AnswerMessage(0);
    Host().Script().OnDialog([&](vbhost::RunningDialog& dialog) {
        dialog.Esc();
        dialog.Esc();  // the worker has not stopped yet: nothing to ask
        Host().SendDlgMessage(reinterpret_cast<HANDLE>(&dialog), DM_COPYDONE, 0, 0);
    });
    PrepareProgressTemplate(1);
    InitDialogItems(ProgressTemplate, ProgressItems, ProgressItemCount);
    HostDialogEx(ProgressDialogWidth, ProgressDialogHeight, nullptr, ProgressItems, ProgressItemCount,
                 ProgressDialogProc, reinterpret_cast<LONG_PTR>(&job));
    EXPECT_EQ(Host().Messages().size(), 1u);
    EXPECT_EQ(job.Aborted.load(), 1);
    EXPECT_EQ(Host().Dialogs().at(0).TextIn(0), Text(MUploadTitle));
    CloseHandle(job.SyncEvent);
}

TEST_F(ProgressProcedure, ProgressIsDrawnOnlyOnceTheTotalIsKnown) {
    CopyJob job;
    job.SyncEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    size_t textsBefore = 0, textsAfter = 0;
    Host().Script().OnDialog([&](vbhost::RunningDialog& dialog) {
        HANDLE handle = reinterpret_cast<HANDLE>(&dialog);
        Host().SendDlgMessage(handle, DM_COPYPROGRESS, 0, 0);
        textsBefore = dialog.TextsSet().size();
        job.TotalBytes = 1000;
        job.CopiedBytes = 500;
        job.StartTick = GetTickCount();
        Host().SendDlgMessage(handle, DM_COPYPROGRESS, 0, 500);
        textsAfter = dialog.TextsSet().size();
        Host().SendDlgMessage(handle, DM_COPYDONE, 0, 0);
    });
    PrepareProgressTemplate(0);
    InitDialogItems(ProgressTemplate, ProgressItems, ProgressItemCount);
    HostDialogEx(ProgressDialogWidth, ProgressDialogHeight, nullptr, ProgressItems, ProgressItemCount,
                 ProgressDialogProc, reinterpret_cast<LONG_PTR>(&job));
    EXPECT_EQ(textsBefore, 0u);
    // The bar and the line; the times still read as the template has them.
    EXPECT_EQ(textsAfter, 2u);
    const vbhost::DialogCall call = Host().Dialogs().at(0);
    EXPECT_EQ(call.TextOut(ProgressBar), std::string(27, char(BarFullCell)) + std::string(27, char(BarEmptyCell)));
    EXPECT_EQ(call.TextIn(ProgressTotalTime), "00:00:00");
    EXPECT_EQ(call.TextIn(ProgressButton), Text(MCancel));
    EXPECT_EQ(call.x1, -1);
    EXPECT_EQ(call.x2, ProgressDialogWidth);
    EXPECT_EQ(call.y2, ProgressDialogHeight);
    CloseHandle(job.SyncEvent);
}

}  // namespace
