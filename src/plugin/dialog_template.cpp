#include "plugin/dialog_template.h"

#include <string.h>

#include "plugin/host_services.h"

const char* GetMsgText(int number) { return HostGetMsg(number); }

void SetItemText(FarDialogItem& item, const char* text) {
    size_t length = strlen(text);
    if (length > sizeof item.Data - 1) length = sizeof item.Data - 1;
    memcpy(item.Data, text, length);
    item.Data[length] = 0;
}

void InitDialogItems(const InitDialogItem* templateItems, FarDialogItem* items, int count) {
    for (int i = 0; i < count; ++i) {
        const InitDialogItem& from = templateItems[i];
        FarDialogItem& to = items[i];
        memset(&to, 0, sizeof to);
        to.Type = from.Type;
        to.X1 = from.X1;
        to.Y1 = from.Y1;
        to.X2 = from.X2;
        to.Y2 = from.Y2;
        to.Focus = from.Focus;
        to.Selected = static_cast<int>(from.Selected);
        to.Flags = from.Flags;
        to.DefaultButton = from.DefaultButton;
        if (from.Data < 2000)
            SetItemText(to, GetMsgText(static_cast<int>(from.Data)));
        else
            SetItemText(to, reinterpret_cast<const char*>(from.Data));
    }
}
