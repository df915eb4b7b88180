#include "plugin/host_services.h"

#include <stdlib.h>
#include <string.h>

HostServicesBlock HostServices;
int HostTooOld;
int DeviceConnected;

const char* HostGetMsg(int number) {
    if (!HostServices.Info.GetMsg) return "";
    const char* text = HostServices.Info.GetMsg(HostServices.Info.ModuleNumber, number);
    return text ? text : "";
}

int HostMessage(DWORD flags, const char* helpTopic, const char* const* items, int itemsNumber,
                int buttonsNumber) {
    return HostServices.Info.Message(HostServices.Info.ModuleNumber, flags, helpTopic, items,
                                     itemsNumber, buttonsNumber);
}

int HostDialog(int width, int height, const char* helpTopic, FarDialogItem* items, int itemsNumber) {
    return HostServices.Info.Dialog(HostServices.Info.ModuleNumber, -1, -1, width, height, helpTopic,
                                    items, itemsNumber);
}

int HostDialogEx(int width, int height, const char* helpTopic, FarDialogItem* items,
                 int itemsNumber, FARWINDOWPROC proc, LONG_PTR param) {
    return HostServices.Info.DialogEx(HostServices.Info.ModuleNumber, -1, -1, width, height,
                                      helpTopic, items, itemsNumber, 0, 0, proc, param);
}

LONG_PTR HostSendDlgMessage(HANDLE dialog, int msg, int param1, LONG_PTR param2) {
    return HostServices.Info.SendDlgMessage(dialog, msg, param1, param2);
}

LONG_PTR HostDefDlgProc(HANDLE dialog, int msg, int param1, LONG_PTR param2) {
    return HostServices.Info.DefDlgProc(dialog, msg, param1, param2);
}

int HostControl(HANDLE panel, int command, void* param) {
    return HostServices.Info.Control(panel, command, param);
}

HANDLE HostSaveScreen() { return HostServices.Info.SaveScreen(0, 0, -1, -1); }

void HostRestoreScreen(HANDLE screen) { HostServices.Info.RestoreScreen(screen); }

int HostGetDirList(const char* dir, PluginPanelItem** items, int* count) {
    return HostServices.Info.GetDirList(dir, items, count);
}

int HostGetPluginDirList(HANDLE panel, const char* dir, PluginPanelItem** items, int* count) {
    return HostServices.Info.GetPluginDirList(HostServices.Info.ModuleNumber, panel, dir, items,
                                              count);
}

void HostFreeDirList(const PluginPanelItem* items) { HostServices.Info.FreeDirList(items); }

int FsfAtoi(const char* text) { return HostServices.FSF.atoi(text); }

char* FsfItoa(int value, char* buffer, int radix) { return HostServices.FSF.itoa(value, buffer, radix); }

int FsfLStricmp(const char* a, const char* b) { return HostServices.FSF.LStricmp(a, b); }

char* FsfTruncPathStr(char* path, int maxLength) {
    return HostServices.FSF.TruncPathStr(path, maxLength);
}

void FsfAddEndSlash(char* path) { HostServices.FSF.AddEndSlash(path); }

// True when the format holds exactly one plain conversion of the given kind
// ("%s" or "%d") and otherwise only "%%".
static bool HasSingleConversion(const char* format, char kind) {
    int conversions = 0;
    for (const char* p = format; *p; ++p) {
        if (*p != '%') continue;
        if (p[1] == '%') {
            ++p;
        } else if (p[1] == kind) {
            ++conversions;
            ++p;
        } else {
            return false;
        }
    }
    return conversions == 1;
}

static void CopyBounded(char* buffer, size_t size, const char* text) {
    size_t length = strlen(text);
    if (length > size - 1) length = size - 1;
    memcpy(buffer, text, length);
    buffer[length] = 0;
}

// The host's sprintf has no bound, so the result is composed where it fits
// for sure and copied into the caller's buffer cut to its size. A format
// that is not what its message promises (a damaged language file) is never
// handed to sprintf: the text and the argument are shown side by side.
template <typename Argument>
static void FormatBounded(char* buffer, size_t size, const char* format, char kind,
                          Argument argument, const char* argumentText) {
    if (size == 0) return;
    size_t needed = strlen(format) + strlen(argumentText) + 2;
    char* composed = static_cast<char*>(malloc(needed));
    if (!composed) {
        buffer[0] = 0;
        return;
    }
    if (HasSingleConversion(format, kind)) {
        HostServices.FSF.sprintf(composed, format, argument);
    } else {
        strcpy(composed, format);
        strcat(composed, " ");
        strcat(composed, argumentText);
    }
    CopyBounded(buffer, size, composed);
    free(composed);
}

void FormatText(char* buffer, size_t size, const char* format, const char* text) {
    FormatBounded(buffer, size, format, 's', text, text);
}

void FormatNumber(char* buffer, size_t size, const char* format, int number) {
    char digits[16];
    FsfItoa(number, digits, 10);
    FormatBounded(buffer, size, format, 'd', number, digits);
}
