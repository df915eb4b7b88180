// Dialog templates: compact records whose text is a message number (below
// 2000) or the address of a text, expanded into the host's dialog items just
// before a dialog runs.
#pragma once

#include <stdint.h>

#include "farplugin.h"
#include "messages.h"

struct InitDialogItem {
    unsigned char Type;
    unsigned char X1, Y1, X2, Y2;
    unsigned char Focus;
    DWORD Selected;
    DWORD Flags;
    unsigned char DefaultButton;
    uintptr_t Data;  // a message number below 2000, else a text's address
};

// Data that names a text instead of a message.
inline uintptr_t TemplateText(const char* text) { return reinterpret_cast<uintptr_t>(text); }

// The text of a message of the language file; valid for the module's life.
const char* GetMsgText(int number);

void InitDialogItems(const InitDialogItem* templateItems, FarDialogItem* items, int count);

// Copies a text into a dialog item's Data, cut to fit its 512 bytes.
void SetItemText(FarDialogItem& item, const char* text);
