#include "transfer/copy_engine.h"

#include <stdint.h>
#include <stdlib.h>

#include "device/error_box.h"
#include "plugin/dialog_template.h"
#include "plugin/host_services.h"
#include "plugin/messages.h"
#include "transfer/copy_buffer.h"
#include "transfer/progress_display.h"

// Win32's error number for a file too large for the operation.
static const DWORD FileTooLargeError = 223;
// The worker's requested stack; the system raises it to its minimum.
static const unsigned WorkerStackSize = 1024;
// OverwriteMode "skip all existing files": the copy runs inline.
static const int SkipAllExisting = 2;

// ---- The go-ahead handshake ----------------------------------------------------
// The host's thread signals SyncEvent once when the dialog exists and once
// after every answer to the abort question. Counting the signals keeps an
// answer from being lost when two of them reach the auto-reset event before
// the worker waits.

static void GiveGoAhead(CopyJob& job) {
    job.GoAheads.fetch_add(1);
    SetEvent(job.SyncEvent);
}

static void TakeGoAhead(CopyJob& job, uint32_t& taken) {
    while (job.GoAheads.load() == taken) WaitForSingleObject(job.SyncEvent, INFINITE);
    ++taken;
}

static bool GoAheadPending(const CopyJob& job, uint32_t taken) {
    return job.PauseRequested.load() || job.GoAheads.load() != taken;
}

static bool Stopping(const CopyJob& job) { return job.Aborted.load() || job.Failed.load(); }

// ---- The worker ------------------------------------------------------------------

// Nothing is delivered when there is no dialog (an inline copy), or no longer
// one.
static void SendToDialog(CopyJob& job, int msg, LONG_PTR param) {
    HANDLE dialog = job.DialogHandle.load();
    if (dialog) HostSendDlgMessage(dialog, msg, 0, param);
}

// Behind the dialog, the error box shows the error that the failed call left
// on this thread: SendDlgMessage has the message handled on this thread
// before it returns, and the error is kept aside until the box reads it.
static void FailCopy(CopyJob& job) {
    job.FailureError = GetLastError();
    job.Failed = 1;
    SendToDialog(job, DM_COPYERROR, 0);
}

// False when nothing was read: the source failed, or ended before its size.
static bool ReadChunk(CopyJob& job, char* buffer, DWORD size, DWORD& got) {
    got = 0;
    SetLastError(0);
    BOOL succeeded = job.Source->Read(buffer, size, &got);
    if (got > size) got = size;
    if (got == 0 && succeeded) SetLastError(ERROR_HANDLE_EOF);
    return got != 0;
}

// Writes all `count` bytes, going on with the rest after a short write;
// false when a write moves nothing. `copied` grows by what was written.
static bool WriteChunk(CopyJob& job, const char* data, DWORD count, uint32_t& copied) {
    while (count > 0) {
        DWORD written = 0;
        SetLastError(0);
        job.Target->Write(data, count, &written);
        if (written == 0) return false;
        if (written > count) written = count;
        copied += written;
        data += written;
        count -= written;
    }
    return true;
}

static void CopyChunks(CopyJob& job, char* buffer, DWORD size, uint32_t total, uint32_t& taken) {
    job.CopiedBytes = 0;
    job.TotalBytes = total;
    job.StartTick = GetTickCount();
    SendToDialog(job, DM_COPYSTART, static_cast<LONG_PTR>(total));
    uint32_t copied = 0;
    do {
        DWORD got = 0;
        if (!ReadChunk(job, buffer, size, got)) {
            FailCopy(job);
            return;
        }
        bool written = WriteChunk(job, buffer, got, copied);
        job.CopiedBytes = copied;
        if (!written) {
            FailCopy(job);
            return;
        }
        // The user is being asked, or has answered, whether to stop.
        if (job.SyncEvent && GoAheadPending(job, taken)) {
            TakeGoAhead(job, taken);
            job.PauseRequested = 0;
        }
        if (Stopping(job)) return;
        SendToDialog(job, DM_COPYPROGRESS, static_cast<LONG_PTR>(copied));
    } while (copied < total);
}

void CopyWorker(CopyJob& job) {
    HANDLE finished = job.FinishedEvent;
    uint32_t total = job.Source->Size();
    DWORD size = CopyBufferSize(total, CopyBufferLimit());
    char* buffer = static_cast<char*>(malloc(size));
    uint32_t taken = 0;
    if (job.SyncEvent) TakeGoAhead(job, taken);
    if (!Stopping(job)) {
        if (buffer) {
            CopyChunks(job, buffer, size, total, taken);
        } else {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            FailCopy(job);
        }
    }
    // The dialog closes only when the worker says so: afterwards it sends
    // nothing more.
    SendToDialog(job, DM_COPYDONE, 0);
    free(buffer);
    // The last touch of the job: the engine may release it once this is set.
    if (finished) SetEvent(finished);
}

static void __cdecl CopyWorkerThread(void* job) { CopyWorker(*static_cast<CopyJob*>(job)); }

// ---- The dialog procedure ----------------------------------------------------------

int ConfirmAbort() {
    const char* items[2] = {GetMsgText(MAbortTitle), GetMsgText(MAbortQuestion)};
    return HostMessage(FMSG_WARNING | FMSG_ERRORTYPE | FMSG_MB_YESNOCANCEL, nullptr, items, 2, 0);
}

static bool CopyComplete(const CopyJob& job) {
    uint32_t total = job.TotalBytes.load();
    return total != 0 && job.CopiedBytes.load() >= total;
}

// DN_CLOSE. The dialog closes at once only when the worker has stopped. In
// every other case the worker closes it with DM_COPYDONE as soon as it has
// stopped: the last chunk is in, or the user chose to abandon the file.
// Closing it earlier would leave the worker sending to a dialog that is gone.
static LONG_PTR AnswerCloseRequest(CopyJob& job) {
    if (!job.DialogHandle.load()) return TRUE;
    if (CopyComplete(job) || Stopping(job)) return FALSE;
    job.PauseRequested = 1;
    int answer = ConfirmAbort();
    if (answer != 1 && answer != -1) {
        if (answer == 2) job.CancelAll = 1;
        job.Aborted = 1;
    }
    GiveGoAhead(job);
    return FALSE;
}

static CopyJob* JobOf(HANDLE hDlg) {
    return reinterpret_cast<CopyJob*>(HostSendDlgMessage(hDlg, DM_GETDLGDATA, 0, 0));
}

static void CloseDialog(HANDLE hDlg) { HostSendDlgMessage(hDlg, DM_CLOSE, -1, 0); }

LONG_PTR WINAPI ProgressDialogProc(HANDLE hDlg, int Msg, int Param1, LONG_PTR Param2) {
    CopyJob* job = JobOf(hDlg);
    if (Msg == DN_INITDIALOG) {
        job = reinterpret_cast<CopyJob*>(Param2);
        HostSendDlgMessage(hDlg, DM_SETDLGDATA, 0, Param2);
        job->DialogHandle = hDlg;
        GiveGoAhead(*job);
        return TRUE;
    }
    if (!job) return HostDefDlgProc(hDlg, Msg, Param1, Param2);
    switch (Msg) {
        case DN_BTNCLICK:
            CloseDialog(hDlg);
            return TRUE;
        case DN_CLOSE:
            return AnswerCloseRequest(*job);
        case DM_COPYSTART:
        case DM_COPYPROGRESS:
            if (job->TotalBytes.load()) UpdateProgress(hDlg, *job);
            return TRUE;
        case DM_COPYDONE:
            job->DialogHandle = nullptr;
            CloseDialog(hDlg);
            return TRUE;
        case DM_COPYERROR:
            SetLastError(job->FailureError);
            ShowDeviceError(nullptr);
            return TRUE;
        default:
            return HostDefDlgProc(hDlg, Msg, Param1, Param2);
    }
}

// ---- The engine ------------------------------------------------------------------------

// A copy refused or failed before the worker ran: counted as not copied and,
// unless the host asked for silence, reported.
static void RefuseCopy(CopyJob& job, int opMode, DWORD error) {
    job.Failed = 1;
    if (opMode & OPM_SILENT) return;
    if (error) SetLastError(error);
    ShowDeviceError(nullptr);
}

static void ReleaseEvents(CopyJob& job) {
    if (job.SyncEvent) CloseHandle(job.SyncEvent);
    if (job.FinishedEvent) CloseHandle(job.FinishedEvent);
    job.SyncEvent = nullptr;
    job.FinishedEvent = nullptr;
}

static void RunProgressDialog(CopyJob& job) {
    InitDialogItems(ProgressTemplate, ProgressItems, ProgressItemCount);
    FsfTruncPathStr(job.SourcePath, ProgressPathWidth);
    FsfTruncPathStr(job.TargetPath, ProgressPathWidth);
    SetItemText(ProgressItems[ProgressSourcePath], job.SourcePath);
    SetItemText(ProgressItems[ProgressTargetPath], job.TargetPath);
    HostDialogEx(ProgressDialogWidth, ProgressDialogHeight, nullptr, ProgressItems,
                 ProgressItemCount, ProgressDialogProc,
                 reinterpret_cast<LONG_PTR>(&job));
}

static void CopyBehindDialog(CopyJob& job) {
    job.SyncEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (job.SyncEvent) job.FinishedEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!job.FinishedEvent) {
        RefuseCopy(job, 0, 0);
        ReleaseEvents(job);
        return;
    }
    if (_beginthread(CopyWorkerThread, WorkerStackSize, &job) == static_cast<uintptr_t>(-1)) {
        RefuseCopy(job, 0, ERROR_NOT_ENOUGH_MEMORY);
        ReleaseEvents(job);
        return;
    }
    RunProgressDialog(job);
    // The dialog never opened, or closed while the worker still ran: stop the
    // worker wherever it waits, and let it send nothing more.
    if (job.GoAheads.load() == 0 || job.DialogHandle.load()) {
        job.DialogHandle = nullptr;
        job.Failed = 1;
        GiveGoAhead(job);
    }
    WaitForSingleObject(job.FinishedEvent, INFINITE);
    ReleaseEvents(job);
}

// An abandoned or failed copy leaves no partial file; a complete one gets
// the source's times (unless they cannot be read).
static void FinishTarget(CopyJob& job) {
    if (Stopping(job)) {
        OutputDebugStringA("Deleting partial file\n");
        job.Target->Delete();
        return;
    }
    FILETIME creation = {}, lastAccess = {}, lastWrite = {};
    if (job.Source->GetTimes(&creation, &lastAccess, &lastWrite))
        job.Target->SetTimes(&creation, &lastAccess, &lastWrite);
}

int CopyFileJob(PanelInstance& panel, CopyJob& job, int opMode) {
    PrepareProgressTemplate(job.Upload);
    if (!job.Source->SizeFits32Bits()) {
        RefuseCopy(job, opMode, FileTooLargeError);
    } else if (job.Source->Size() != 0) {
        if ((opMode & OPM_SILENT) || panel.OverwriteMode == SkipAllExisting)
            CopyWorker(job);
        else
            CopyBehindDialog(job);
    }
    FinishTarget(job);
    return job.CancelAll.load() ? 0 : 1;
}
