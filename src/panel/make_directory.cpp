#include "panel/make_directory.h"

#include <string.h>

#include "device/error_box.h"
#include "device/wide_text.h"
#include "operations/scratch_buffers.h"
#include "plugin/dialog_template.h"
#include "plugin/host_services.h"
#include "rapi.h"

enum MakeDirectoryItem { MakeDirFrame, MakeDirLabel, MakeDirName, MakeDirOk, MakeDirCancel, MakeDirItemCount };

// PathScratch = the current directory, a backslash, then `name`; false when
// that does not fit.
static bool JoinWithCurrentDirectory(const PanelInstance& panel, const char* name) {
    size_t dirLength = strlen(panel.CurDir);
    if (dirLength + 1 + strlen(name) + 1 > sizeof PathScratch) return false;
    strcpy(PathScratch, panel.CurDir);
    FsfAddEndSlash(PathScratch);
    if (strlen(PathScratch) + strlen(name) + 1 > sizeof PathScratch) return false;
    strcat(PathScratch, name);
    return true;
}

// Asks for the name; false when the dialog was left without confirming.
static bool AskForName(const char* initialName, char (&name)[512]) {
    const uintptr_t empty = TemplateText("");
    const InitDialogItem templateItems[MakeDirItemCount] = {
        {DI_DOUBLEBOX, 3, 1, 72, 6, 0, 0, 0, 0, MMakeDirTitle},
        {DI_TEXT, 5, 2, 70, 2, 0, 0, 0, 0, MMakeDirLabel},
        {DI_EDIT, 5, 3, 70, 3, 1, 0, 0, 0, empty},
        {DI_BUTTON, 0, 5, 0, 0, 0, 0, DIF_CENTERGROUP, 1, MOk},
        {DI_BUTTON, 0, 5, 0, 0, 0, 0, DIF_CENTERGROUP, 0, MCancel},
    };
    FarDialogItem items[MakeDirItemCount];
    InitDialogItems(templateItems, items, MakeDirItemCount);
    SetItemText(items[MakeDirName], initialName);
    if (HostDialog(76, 8, nullptr, items, MakeDirItemCount) != MakeDirOk) return false;
    strcpy(name, items[MakeDirName].Data);
    return true;
}

int MakeDirectory(PanelInstance& panel, char* name, int opMode) {
    char chosen[512];
    if (opMode & OPM_SILENT) {
        strncpy(chosen, name, sizeof chosen - 1);
        chosen[sizeof chosen - 1] = 0;
    } else if (!AskForName(name, chosen)) {
        return 1;
    }

    for (;;) {
        // A path that does not fit the device's 260 units creates nothing:
        // it is reported like any refusal of the device.
        bool fits = JoinWithCurrentDirectory(panel, chosen) &&
                    OemToWide(PathScratch, WidePathScratch, WidePathScratchSize);
        if (fits && CeCreateDirectory(WidePathScratch, nullptr)) break;
        if (!fits) SetLastError(ERROR_FILENAME_EXCED_RANGE);
        if (ShowDeviceError(GetMsgText(MCannotMakeDir)) != 0) return 0;
    }

    if (!(opMode & OPM_SILENT)) {
        const char* lastPart = strrchr(PathScratch, '\\');
        RefreshPanel(panel, lastPart ? lastPart + 1 : PathScratch);
    }
    return 1;
}
