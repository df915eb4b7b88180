#include "operations/upload.h"

#include <new>
#include <string.h>

#include "device/error_box.h"
#include "device/wide_text.h"
#include "operations/copy_walk.h"
#include "operations/delete_items.h"
#include "operations/existing_target.h"
#include "operations/operation_paths.h"
#include "operations/scratch_buffers.h"
#include "operations/selection_walker.h"
#include "operations/walk_record.h"
#include "plugin/dialog_template.h"
#include "plugin/host_services.h"
#include "plugin/lifecycle.h"
#include "rapi.h"
#include "transfer/copy_engine.h"

// The box for a target that cannot be created: retry (0), cancel (2), or
// anything else skips.
static int ReportTargetFailure(const char* name) {
    DWORD error = GetLastError();
    FormatText(PathScratch, sizeof PathScratch, GetMsgText(MCannotCreateFile), name);
    SetLastError(error);
    return ShowDeviceError(PathScratch);
}

// The device path of a relative name: ExistingFileName in OEM text (for the
// prompt) and WidePathScratch in UTF-16. False, with the last error set,
// when the name leads out of the directory or the path does not fit.
static bool MakeDeviceTargetPath(const PanelInstance& panel, const char* name) {
    if (!IsContainedName(name)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    if (!JoinPath(ExistingFileName, sizeof ExistingFileName, panel.CurDir, name) ||
        !OemToWide(ExistingFileName, WidePathScratch, WidePathScratchSize)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    return true;
}

static HANDLE CreateDeviceTarget(DWORD disposition) {
    return CeCreateFile(WidePathScratch, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
}

// The device target, created anew or after the existing-target answer;
// INVALID_HANDLE_VALUE with `result` set when the file is not to be copied.
static HANDLE OpenDeviceTarget(PanelInstance& panel, const FAR_FIND_DATA& findData, int opMode, int& result) {
    for (;;) {
        HANDLE target = INVALID_HANDLE_VALUE;
        if (MakeDeviceTargetPath(panel, findData.cFileName)) {
            target = CreateDeviceTarget(CREATE_NEW);
            if (target == INVALID_HANDLE_VALUE && CeRapiGetError() == 0 && CeGetLastError() == ERROR_FILE_EXISTS) {
                int step = ApplyExistingTargetAnswer(panel, ExistingTargetAnswer(panel, opMode));
                if (step == StepSkip) {
                    result = FileNotCopied;
                    return INVALID_HANDLE_VALUE;
                }
                if (step == StepCancel) {
                    result = FileCancelAll;
                    return INVALID_HANDLE_VALUE;
                }
                if (step == StepOverwrite) {
                    target = CreateDeviceTarget(CREATE_ALWAYS);
                } else {
                    SetLastError(ERROR_FILE_EXISTS);
                }
            } else if (target == INVALID_HANDLE_VALUE) {
                // The device's own error is the one to show.
                SetLastError(0);
            }
        }
        if (target != INVALID_HANDLE_VALUE) return target;
        int answer = ReportTargetFailure(findData.cFileName);
        if (answer == 0) continue;
        result = answer == 2 ? FileCancelAll : FileNotCopied;
        return INVALID_HANDLE_VALUE;
    }
}

int UploadFile(PanelInstance& panel, const FAR_FIND_DATA& findData, int opMode) {
    // The local source is opened first: one that cannot be read then leaves
    // nothing on the device and never costs an existing device file.
    char localPath[CopyJobPathSize];
    DWORD length = GetFullPathNameA(findData.cFileName, sizeof localPath, localPath, nullptr);
    if (!IsContainedName(findData.cFileName) || length == 0 || length >= sizeof localPath) {
        SetLastError(IsContainedName(findData.cFileName) ? ERROR_FILENAME_EXCED_RANGE : ERROR_INVALID_NAME);
        int answer = ReportTargetFailure(findData.cFileName);
        return answer == 2 ? FileCancelAll : FileNotCopied;
    }
    HANDLE source = CreateFileA(localPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (source == INVALID_HANDLE_VALUE) return FileNotCopied;

    int result = FileNotCopied;
    HANDLE target = OpenDeviceTarget(panel, findData, opMode, result);
    if (target == INVALID_HANDLE_VALUE) {
        CloseHandle(source);
        return result;
    }
    CopyJob job;
    job.Upload = 1;
    CopyText(job.SourcePath, sizeof job.SourcePath, localPath);
    CopyText(job.TargetPath, sizeof job.TargetPath, ExistingFileName);
    // The target's name must stay the path of the open file while the copy
    // runs: a copy of its own, not the shared buffer.
    WCHAR targetName[WidePathScratchSize];
    WideCopy(targetName, WidePathScratchSize, WidePathScratch);
    LocalFile* localFile = new (std::nothrow) LocalFile(source, localPath);
    if (!localFile) CloseHandle(source);
    DeviceFile* deviceFile = new (std::nothrow) DeviceFile(target, targetName);
    if (!deviceFile) CeCloseHandle(target);
    if (!localFile || !deviceFile) {
        delete localFile;
        delete deviceFile;
        CeDeleteFile(targetName);
        return FileNotCopied;
    }
    job.Source = localFile;
    job.Target = deviceFile;
    CopyFileJob(panel, job, opMode);
    delete localFile;
    delete deviceFile;
    if (job.CancelAll) return FileCancelAll;
    if (job.Aborted || job.Failed) return FileNotCopied;
    return FileCopied;
}

// A directory met in the walk: created below the current device directory.
// It counts as copied when it is there afterwards, made now or before.
static bool MakeDeviceDirectory(PanelInstance& panel, const char* name, const char*) {
    if (!MakeDeviceTargetPath(panel, name)) return false;
    CeCreateDirectory(WidePathScratch, nullptr);
    DWORD attributes = CeGetFileAttributes(WidePathScratch);
    return attributes != 0xFFFFFFFFu && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The upload's steps: the destination is always the panel's current device
// directory.
static int UploadWalkedFile(PanelInstance& panel, const FAR_FIND_DATA& findData, const char*, int opMode) {
    return UploadFile(panel, findData, opMode);
}

static const CopyDirection ToDevice = {0, MakeDeviceDirectory, UploadWalkedFile, "Copied"};

int PutFiles(PanelInstance& panel, PluginPanelItem* items, int count, int move, int opMode) {
    if (count < 1) return 1;
    panel.OverwriteMode = 0;
    if (move) BeginMoveRecord();
    bool completed = CopyWalkedItems(panel, items, count, nullptr, opMode, move != 0, ToDevice);
    if (move && completed) DeleteItems(panel, items, count, opMode | OPM_SILENT, DeleteUnselected);
    if (move) EndMoveRecord();
    return 1;
}
