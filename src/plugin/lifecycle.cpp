#include "plugin/lifecycle.h"

#include <stddef.h>
#include <string.h>

#include "plugin/dialog_template.h"
#include "plugin/host_services.h"
#include "settings/settings_store.h"

const char* FileExistsPrompt[FileExistsPromptItems];
char ExistingFileName[260];

// The host keeps these addresses after GetPluginInfo returns.
static const char* DiskMenuStrings[1];
static int DiskMenuNumbers[1];
static const char* PluginMenuStrings[1];
static const char* PluginConfigStrings[1];

// Copies no more of the host's record than it says it holds; a field that
// the record does not hold in full is left empty.
static void CopyStartupRecord(const PluginStartupInfo* info) {
    memset(&HostServices.Info, 0, sizeof HostServices.Info);
    size_t size = static_cast<unsigned>(info->StructSize);
    if (size > sizeof HostServices.Info) size = sizeof HostServices.Info;
    memcpy(&HostServices.Info, info, size);
    if (size < offsetof(PluginStartupInfo, ModuleNumber) + sizeof info->ModuleNumber)
        HostServices.Info.ModuleNumber = 0;
    if (size < offsetof(PluginStartupInfo, GetMsg) + sizeof info->GetMsg)
        HostServices.Info.GetMsg = nullptr;
}

static void FillFileExistsPrompt() {
    FileExistsPrompt[0] = GetMsgText(MFileExistsTitle);
    FileExistsPrompt[1] = GetMsgText(MFileExistsText);
    FileExistsPrompt[2] = ExistingFileName;
    FileExistsPrompt[3] = GetMsgText(MOverwrite);
    FileExistsPrompt[4] = GetMsgText(MOverwriteAll);
    FileExistsPrompt[5] = GetMsgText(MSkip);
    FileExistsPrompt[6] = GetMsgText(MSkipAll);
    FileExistsPrompt[7] = GetMsgText(MCancel);
}

void StartModule(const PluginStartupInfo* info) {
    CopyStartupRecord(info);
    HostTooOld = 1;
    if (static_cast<unsigned>(info->StructSize) < sizeof(PluginStartupInfo)) return;
    memcpy(&HostServices.FSF, info->FSF, sizeof HostServices.FSF);
    HostServices.Info.FSF = &HostServices.FSF;
    HostTooOld = 0;
    SetSettingsKeyPath(HostServices.Info.RootKey);
    LoadSettings();
    FillFileExistsPrompt();
}

void FillPluginInfo(PluginInfo* info) {
    info->StructSize = sizeof(PluginInfo);
    info->Flags = 0;

    DiskMenuStrings[0] = GetMsgText(MDiskMenuEntry);
    DiskMenuNumbers[0] = SettingsBlock.DisksMenuDigit;
    info->DiskMenuStrings = DiskMenuStrings;
    info->DiskMenuNumbers = DiskMenuNumbers;
    info->DiskMenuStringsNumber = SettingsBlock.AddToDisksMenu ? 1 : 0;

    PluginMenuStrings[0] = GetMsgText(MPluginMenuEntry);
    info->PluginMenuStrings = SettingsBlock.AddToPluginsMenu ? PluginMenuStrings : nullptr;
    info->PluginMenuStringsNumber = SettingsBlock.AddToPluginsMenu ? 1 : 0;

    PluginConfigStrings[0] = GetMsgText(MPluginMenuEntry);
    info->PluginConfigStrings = PluginConfigStrings;
    info->PluginConfigStringsNumber = 1;
}
