#include "operations/device_side.h"

#include <string.h>

#include "device/error_box.h"
#include "operations/operation_paths.h"
#include "operations/scratch_buffers.h"
#include "plugin/dialog_template.h"
#include "plugin/host_services.h"
#include "rapi.h"

int IsExecutable(const char* name) {
    size_t length = strlen(name);
    if (length < 4) return 0;
    return FsfLStricmp(name + length - 4, ".exe") == 0 ? 1 : 0;
}

// A device path that does not fit its 260 units is reported as too long.
static bool JoinDevicePath(WCHAR* target, const PanelInstance& panel, const char* name) {
    if (JoinWidePath(target, WidePathScratchSize, panel.CurDirWide, name)) return true;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
}

void LaunchOnDevice(PanelInstance& panel, const char* name) {
    if (!JoinDevicePath(WidePathScratch, panel, name)) {
        ShowDeviceError(nullptr);
        return;
    }
    PROCESS_INFORMATION process;
    memset(&process, 0, sizeof process);
    if (!CeCreateProcess(WidePathScratch, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         nullptr, &process))
        ShowDeviceError(nullptr);
}

void CopyWithinDevice(PanelInstance& panel, const char* name, int move, const char* destPath) {
    const char* notice[] = {GetMsgText(move ? MMoveTitle : MCopyTitle), GetMsgText(MFromLabel), name,
                            GetMsgText(MToLabel), destPath};
    HostMessage(FMSG_DOWN, nullptr, notice, 5, 0);

    WCHAR target[WidePathScratchSize];
    bool done = false;
    if (JoinDevicePath(WidePathScratch, panel, name) && JoinDevicePath(target, panel, destPath)) {
        done = move ? CeMoveFile(WidePathScratch, target) != 0
                    : CeCopyFile(WidePathScratch, target, TRUE) != 0;
    }
    if (!done) ShowDeviceError(nullptr);
    if (done && move) RefreshPanel(panel, destPath);
    panel.LastShiftKey = 0;
}
