// Copies one open endpoint into another and gives the target the source's
// file times: inline and silent, or on a worker thread behind a progress
// dialog that the user can interrupt.
#pragma once

#include "farplugin.h"
#include "panel/panel_instance.h"
#include "transfer/copy_job.h"

// The worker's messages to the dialog procedure (Param1 0).
enum CopyDialogMessages {
    DM_COPYPROGRESS = DM_USER + 1,  // one more chunk is written; Param2 CopiedBytes
    DM_COPYSTART = DM_USER + 2,     // the copy loop starts; Param2 TotalBytes
    DM_COPYDONE = DM_USER + 3,      // the worker has stopped: close the dialog
    DM_COPYERROR = DM_USER + 4,     // a read or a write moved nothing
};

// Runs the job. Returns 0 when the user cancelled the whole operation
// (CancelAll), else 1; the caller reads Aborted and Failed to learn whether
// the file was copied.
int CopyFileJob(PanelInstance& panel, CopyJob& job, int opMode);

// The copy loop, on the worker thread or inline on the caller's.
void CopyWorker(CopyJob& job);

LONG_PTR WINAPI ProgressDialogProc(HANDLE hDlg, int Msg, int Param1, LONG_PTR Param2);

// Yes 0 (abandon this file), No 1 (go on), Cancel 2 (abandon the
// operation), Esc -1.
int ConfirmAbort();
