// One file copy between two open endpoints: prepared by download or upload,
// run by CopyFileJob, shared by the worker, the dialog procedure and the
// progress display.
#pragma once

#include <stdint.h>

#include <atomic>

#include "transfer/file_endpoint.h"
#include "vbwin32.h"

enum { CopyJobPathSize = 260 };

// A new job is all zero. The builder sets Upload, the two paths and the two
// endpoints; the engine, the worker and the dialog procedure set the rest.
// The fields that the worker thread and the host's thread share are single
// atomic words, so neither ever sees a torn or stale value.
struct CopyJob {
    int Upload = 0;  // 0: device to local; 1: local to device
    char SourcePath[CopyJobPathSize] = {};
    char TargetPath[CopyJobPathSize] = {};
    FileEndpoint* Source = nullptr;
    FileEndpoint* Target = nullptr;
    // Auto-reset: the dialog procedure's go-ahead for the worker, once the
    // dialog exists and after every answer to the abort question.
    HANDLE SyncEvent = nullptr;

    std::atomic<HANDLE> DialogHandle{nullptr};
    std::atomic<uint32_t> TotalBytes{0};
    std::atomic<uint32_t> CopiedBytes{0};
    std::atomic<int32_t> PauseRequested{0};
    std::atomic<uint32_t> StartTick{0};
    std::atomic<int32_t> CancelAll{0};
    std::atomic<int32_t> Aborted{0};

    // The copy did not complete (the source ended early, a write moved
    // nothing, the file is too large, or the buffer, the event or the thread
    // could not be had); the partial target has been deleted. Callers count
    // the file as not copied, as after Aborted.
    std::atomic<int32_t> Failed{0};
    // Go-aheads given on SyncEvent so far. The worker counts the ones it
    // took, so two signals that the auto-reset event merged are not lost.
    std::atomic<uint32_t> GoAheads{0};
    // Manual-reset, set by the worker as the last thing it does; the engine
    // waits on it before it touches the target or returns.
    HANDLE FinishedEvent = nullptr;
    // The thread's error right after a read or write failed, set again
    // before the error box reads it: the host's own work inside
    // SendDlgMessage may change the thread's error meanwhile. Used on the
    // worker's thread only.
    DWORD FailureError = 0;
};
