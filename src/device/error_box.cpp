#include "device/error_box.h"

#include "plugin/dialog_template.h"
#include "plugin/host_services.h"
#include "rapi.h"

int ShowDeviceError(const char* subject) {
    const char* label;
    int number;
    HRESULT linkError = CeRapiGetError();
    if (linkError != 0) {
        label = "RAPI Error #";
        number = static_cast<int>(linkError);
    } else {
        label = "Win32 Error #";
        DWORD error = GetLastError();
        if (error == 0) error = CeGetLastError();
        number = static_cast<int>(error);
    }
    char numberText[16];
    FsfItoa(number, numberText, 10);

    const char* items[7] = {GetMsgText(MErrorTitle), label, numberText};
    int count = 3;
    int buttons;
    if (subject) {
        items[count++] = subject;
        items[count++] = GetMsgText(MRetry);
        items[count++] = GetMsgText(MSkip);
        items[count++] = GetMsgText(MCancel);
        buttons = 3;
    } else {
        items[count++] = GetMsgText(MOk);
        buttons = 1;
    }
    // The host adds its description of the thread's last error: make it the
    // number shown, also when that came from the device.
    if (linkError == 0) SetLastError(static_cast<DWORD>(number));
    return HostMessage(FMSG_WARNING | FMSG_ERRORTYPE, nullptr, items, count, buttons);
}
