#include "operations/download.h"

#include <new>
#include <string.h>

#include "device/error_box.h"
#include "device/wide_text.h"
#include "operations/copy_walk.h"
#include "operations/delete_items.h"
#include "operations/device_side.h"
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

enum DestinationItem { DestFrame, DestLine, DestEdit, DestOk, DestCancel, DestItemCount };

int DestinationDialog(const PluginPanelItem* items, int count, int move, const char* initialText,
                      char (&chosen)[512]) {
    const uintptr_t empty = TemplateText("");
    const InitDialogItem templateItems[DestItemCount] = {
        {DI_DOUBLEBOX, 3, 1, 72, 6, 0, 0, 0, 0, static_cast<uintptr_t>(move ? MMoveTitle : MCopyTitle)},
        {DI_TEXT, 5, 2, 70, 2, 0, 0, 0, 0, MCopyOneItem},
        {DI_EDIT, 5, 3, 70, 3, 1, 0, 0, 0, empty},
        {DI_BUTTON, 0, 5, 0, 0, 0, 0, DIF_CENTERGROUP, 1, MOk},
        {DI_BUTTON, 0, 5, 0, 0, 0, 0, DIF_CENTERGROUP, 0, MCancel},
    };
    FarDialogItem dialog[DestItemCount];
    InitDialogItems(templateItems, dialog, DestItemCount);
    char line[sizeof dialog[DestLine].Data];
    if (count == 1)
        FormatText(line, sizeof line, GetMsgText(MCopyOneItem), items[0].FindData.cFileName);
    else
        FormatNumber(line, sizeof line, GetMsgText(MCopyManyItems), count);
    SetItemText(dialog[DestLine], line);
    SetItemText(dialog[DestEdit], initialText);
    int result = HostDialog(76, 8, nullptr, dialog, DestItemCount);
    memcpy(chosen, dialog[DestEdit].Data, sizeof chosen);
    chosen[sizeof chosen - 1] = 0;
    return result;
}

// Adds the trailing separator when there is room for it; false otherwise.
static bool EndWithSlash(char* destPath) {
    size_t length = strlen(destPath);
    bool ends = length > 0 && (destPath[length - 1] == '\\' || destPath[length - 1] == '/');
    if (!ends && length + 2 > DestPathSize) return false;
    FsfAddEndSlash(destPath);
    return true;
}

// The box for a target that cannot be created: retry (0), cancel (2), or
// anything else skips.
static int ReportTargetFailure(const char* name) {
    // The subject is formatted after the failure: keep its error number.
    DWORD error = GetLastError();
    FormatText(PathScratch, sizeof PathScratch, GetMsgText(MCannotCreateFile), name);
    SetLastError(error);
    return ShowDeviceError(PathScratch);
}

static HANDLE CreateLocalTarget(const char* path, DWORD disposition) {
    return CreateFileA(path, GENERIC_WRITE, 0, nullptr, disposition, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// The local target, created anew or after the existing-target answer;
// INVALID_HANDLE_VALUE with `result` set when the file is not to be copied.
static HANDLE OpenLocalTarget(PanelInstance& panel, const FAR_FIND_DATA& findData, const char* destPath,
                              int opMode, int& result) {
    for (;;) {
        HANDLE target = INVALID_HANDLE_VALUE;
        if (!IsContainedName(findData.cFileName)) {
            // A name that leads out of the destination is never joined to it.
            SetLastError(ERROR_INVALID_NAME);
        } else if (!JoinPath(ExistingFileName, sizeof ExistingFileName, destPath, findData.cFileName)) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
        } else {
            target = CreateLocalTarget(ExistingFileName, CREATE_NEW);
            if (target == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
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
                    target = CreateLocalTarget(ExistingFileName, CREATE_ALWAYS);
                } else {
                    SetLastError(ERROR_FILE_EXISTS);
                }
            }
        }
        if (target != INVALID_HANDLE_VALUE) return target;
        int answer = ReportTargetFailure(findData.cFileName);
        if (answer == 0) continue;
        result = answer == 2 ? FileCancelAll : FileNotCopied;
        return INVALID_HANDLE_VALUE;
    }
}

// Runs the copy of two open files; the endpoints take the handles over.
static int RunCopy(PanelInstance& panel, CopyJob& job, FileEndpoint* source, FileEndpoint* target,
                   int opMode) {
    job.Source = source;
    job.Target = target;
    CopyFileJob(panel, job, opMode);
    delete source;
    delete target;
    if (job.CancelAll) return FileCancelAll;
    if (job.Aborted || job.Failed) return FileNotCopied;
    return FileCopied;
}

int DownloadFile(PanelInstance& panel, const FAR_FIND_DATA& findData, const char* destPath, int opMode) {
    // The device source is opened first: a file that vanished from the device
    // then leaves nothing behind, and never costs an existing local file.
    char devicePath[CopyJobPathSize];
    if (!IsContainedName(findData.cFileName) ||
        !JoinPath(devicePath, sizeof devicePath, panel.CurDir, findData.cFileName) ||
        !OemToWide(devicePath, WidePathScratch, WidePathScratchSize)) {
        SetLastError(IsContainedName(findData.cFileName) ? ERROR_FILENAME_EXCED_RANGE : ERROR_INVALID_NAME);
        int answer = ReportTargetFailure(findData.cFileName);
        return answer == 2 ? FileCancelAll : FileNotCopied;
    }
    HANDLE source = CeCreateFile(WidePathScratch, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (source == INVALID_HANDLE_VALUE) {
        // The device's error is the one to show, not a stale local one.
        SetLastError(0);
        ShowDeviceError(nullptr);
        return FileNotCopied;
    }
    // The source's name must outlive the prompts below, which may not touch
    // the shared wide buffer but keep it anyway.
    WCHAR sourceName[WidePathScratchSize];
    WideCopy(sourceName, WidePathScratchSize, WidePathScratch);

    int result = FileNotCopied;
    HANDLE target = OpenLocalTarget(panel, findData, destPath, opMode, result);
    if (target == INVALID_HANDLE_VALUE) {
        CeCloseHandle(source);
        return result;
    }
    CopyJob job;
    job.Upload = 0;
    CopyText(job.SourcePath, sizeof job.SourcePath, devicePath);
    CopyText(job.TargetPath, sizeof job.TargetPath, ExistingFileName);
    DeviceFile* deviceFile = new (std::nothrow) DeviceFile(source, sourceName);
    if (!deviceFile) CeCloseHandle(source);
    LocalFile* localFile = new (std::nothrow) LocalFile(target, ExistingFileName);
    if (!localFile) CloseHandle(target);
    if (!deviceFile || !localFile) {
        delete deviceFile;
        delete localFile;
        DeleteFileA(ExistingFileName);
        return FileNotCopied;
    }
    return RunCopy(panel, job, deviceFile, localFile, opMode);
}

// A directory met in the walk: created below the destination. It counts as
// copied when it is there afterwards, made now or before.
static bool MakeLocalDirectory(PanelInstance&, const char* name, const char* destPath) {
    if (!IsContainedName(name) || !JoinPath(PathScratch, sizeof PathScratch, destPath, name)) return false;
    CreateDirectoryA(PathScratch, nullptr);
    DWORD attributes = GetFileAttributesA(PathScratch);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static const CopyDirection FromDevice = {1, MakeLocalDirectory, DownloadFile, nullptr};

// Replaces destPath with the confirmed text; false when it does not fit.
static bool TakeConfirmedText(char* destPath, const char* chosen) {
    if (CopyText(destPath, DestPathSize, chosen)) return true;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    ShowDeviceError(nullptr);
    return false;
}

int GetFiles(PanelInstance& panel, PluginPanelItem* items, int count, int move, char* destPath,
             int opMode) {
    if (opMode & OPM_EDIT) return 0;
    if (count < 1) return 0;
    bool withinDevice = panel.LastShiftKey == VK_F5 || panel.LastShiftKey == VK_F6;
    EndWithSlash(destPath);

    if (!(opMode & OPM_SILENT)) {
        char chosen[512];
        const char* initial = withinDevice ? items[0].FindData.cFileName : destPath;
        int result = DestinationDialog(items, count, move, initial, chosen);
        if (result == DestCancel || result == -1 || !TakeConfirmedText(destPath, chosen)) {
            // A cancelled request within the device ends it too: the next
            // F5 is an ordinary download.
            panel.LastShiftKey = 0;
            return 0;
        }
    } else if (panel.LastKey == VK_RETURN && IsExecutable(items[0].FindData.cFileName)) {
        LaunchOnDevice(panel, items[0].FindData.cFileName);
        return 0;
    }

    if (withinDevice) {
        CopyWithinDevice(panel, items[0].FindData.cFileName, move, destPath);
        return 1;
    }

    if (!EndWithSlash(destPath)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        ShowDeviceError(nullptr);
        return 1;
    }
    CreateDirectoryA(destPath, nullptr);
    panel.OverwriteMode = 0;
    if (move) BeginMoveRecord();
    bool completed = CopyWalkedItems(panel, items, count, destPath, opMode, move != 0, FromDevice);
    if (move && completed)
        DeleteItems(panel, items, count, opMode | OPM_SILENT, DeleteUnselected | DeleteOnDevice);
    if (move) EndMoveRecord();
    return 1;
}
