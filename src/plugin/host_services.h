// The module's private copies of what the host hands over at start-up, the
// module-wide flags, and thin typed wrappers through which every other part
// of the module calls the host.
#pragma once

#include <stdint.h>

#include "farplugin.h"

struct HostServicesBlock {
    PluginStartupInfo Info;
    FarStandardFunctions FSF;
};

extern HostServicesBlock HostServices;
// 1 until SetStartupInfo has accepted the host's record.
extern int HostTooOld;
// 1 while the device link is up; one flag for every open panel.
extern int DeviceConnected;

// Host services.
const char* HostGetMsg(int number);
int HostMessage(DWORD flags, const char* helpTopic, const char* const* items, int itemsNumber,
                int buttonsNumber);
int HostDialog(int width, int height, const char* helpTopic, FarDialogItem* items, int itemsNumber);
int HostDialogEx(int width, int height, const char* helpTopic, FarDialogItem* items,
                 int itemsNumber, FARWINDOWPROC proc, LONG_PTR param);
LONG_PTR HostSendDlgMessage(HANDLE dialog, int msg, int param1, LONG_PTR param2);
LONG_PTR HostDefDlgProc(HANDLE dialog, int msg, int param1, LONG_PTR param2);
int HostControl(HANDLE panel, int command, void* param);
HANDLE HostSaveScreen();
void HostRestoreScreen(HANDLE screen);
int HostGetDirList(const char* dir, PluginPanelItem** items, int* count);
int HostGetPluginDirList(HANDLE panel, const char* dir, PluginPanelItem** items, int* count);
void HostFreeDirList(const PluginPanelItem* items);

// Standard functions.
int FsfAtoi(const char* text);
char* FsfItoa(int value, char* buffer, int radix);
int FsfLStricmp(const char* a, const char* b);
char* FsfTruncPathStr(char* path, int maxLength);
// Appends a backslash (or slash) unless one ends the text. The buffer must
// have room for one more character.
void FsfAddEndSlash(char* path);

// The host's sprintf with one text or one number, never writing more than
// `size` bytes: a result that would not fit is cut to size - 1 characters.
void FormatText(char* buffer, size_t size, const char* format, const char* text);
void FormatNumber(char* buffer, size_t size, const char* format, int number);
