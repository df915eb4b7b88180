#include "device/connection.h"

#include <string.h>

#include "plugin/host_services.h"
#include "plugin/messages.h"
#include "plugin/dialog_template.h"
#include "rapi.h"
#include "settings/settings_store.h"

enum { BarCells = 40 };
static const char EmptyCell = '\xB0';   // light shade in the OEM code page
static const char FilledCell = '\xDB';  // full block

// Opened on first use and kept for the module's life.
static HANDLE ConsoleInput = INVALID_HANDLE_VALUE;
static bool ConsoleInputOpened = false;

int PollConsoleKeys(const WORD* codes, int count) {
    if (!ConsoleInputOpened) {
        ConsoleInputOpened = true;
        ConsoleInput = CreateFileA("CONIN$", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                   nullptr);
    }
    int result = 0;
    if (ConsoleInput == INVALID_HANDLE_VALUE) return result;
    for (;;) {
        INPUT_RECORD record;
        DWORD seen = 0;
        if (!PeekConsoleInputA(ConsoleInput, &record, 1, &seen) || seen == 0) return result;
        DWORD read = 0;
        if (!ReadConsoleInputA(ConsoleInput, &record, 1, &read) || read == 0) return result;
        if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
        for (int j = 0; j < count; ++j)
            if (record.Event.KeyEvent.wVirtualKeyCode == codes[j]) result = j + 1;
    }
}

int EscPressed() {
    const WORD esc = VK_ESCAPE;
    return PollConsoleKeys(&esc, 1);
}

static void ShowConnectingBox(const char* bar, DWORD flags) {
    const char* items[3] = {GetMsgText(MConnectingTitle), GetMsgText(MConnectingText), bar};
    HostMessage(flags, nullptr, items, bar ? 3 : 2, 0);
}

static void ShowConnectFailure(int line) {
    const char* items[3] = {GetMsgText(MErrorTitle), GetMsgText(line), GetMsgText(MOk)};
    HostMessage(FMSG_WARNING | FMSG_ERRORTYPE, nullptr, items, 3, 1);
}

enum WaitOutcome { LinkSignalled, WaitEnded, UserGaveUp };

// The timed wait: one pass a second, the bar growing after each time-out.
static WaitOutcome WaitForLink(HANDLE event) {
    char bar[BarCells + 1];
    memset(bar, EmptyCell, BarCells);
    bar[BarCells] = 0;
    int passes = SettingsBlock.TimeWaitInit;
    for (int i = 0; i < passes; ++i) {
        DWORD waited = WaitForSingleObject(event, 1000);
        if (waited == WAIT_OBJECT_0) return LinkSignalled;
        if (waited != WAIT_TIMEOUT) return WaitEnded;
        if (EscPressed()) return UserGaveUp;
        long long filled = static_cast<long long>(BarCells) * (i + 1) / passes;
        memset(bar, FilledCell, static_cast<size_t>(filled));
        ShowConnectingBox(bar, i == 0 ? 0 : FMSG_KEEPBACKGROUND);
    }
    return WaitEnded;
}

void ConnectDevice() {
    if (DeviceConnected) return;
    HANDLE screen = HostSaveScreen();
    ShowConnectingBox(nullptr, 0);
    CeRapiUninit();

    RAPIINIT init;
    init.cbSize = sizeof init;
    if (FAILED(CeRapiInitEx(&init))) {
        ShowConnectFailure(MConnectStartFailed);
        HostRestoreScreen(screen);
        return;
    }
    WaitOutcome outcome = WaitForLink(init.heRapiInit);
    if (outcome == UserGaveUp) {
        HostRestoreScreen(screen);
        return;
    }
    // The result is only there once the library has signalled: a wait that
    // ran out, failed or never started counts as a failed start.
    if (outcome != LinkSignalled || FAILED(init.hrRapiInit)) {
        ShowConnectFailure(MConnectNoLink);
        HostRestoreScreen(screen);
        return;
    }
    DeviceConnected = 1;
    HostRestoreScreen(screen);
}
