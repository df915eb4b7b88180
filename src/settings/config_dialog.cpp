#include "settings/config_dialog.h"

#include "plugin/dialog_template.h"
#include "plugin/host_services.h"
#include "settings/settings_store.h"

enum ConfigItem {
    ConfigFrame,
    ConfigAddToDisksMenu,
    ConfigDisksMenuDigit,
    ConfigDisksMenuDigitLabel,
    ConfigAddToPluginsMenu,
    ConfigSeparator1,
    ConfigTimeWaitInit,
    ConfigTimeWaitInitLabel,
    ConfigSeparator2,
    ConfigCopyBufferLabel,
    ConfigByMemory,
    ConfigByKBytes,
    ConfigCopyMemory,
    ConfigCopyKBytes,
    ConfigSeparator3,
    ConfigOk,
    ConfigCancel,
    ConfigItemCount
};

// The number fields take digits only, through the host's edit masks ('9'
// stands for a digit); a masked field always has its mask string, so the
// host never looks for a mask that is not there.
static const char TwoDigits[] = "99";
static const char FiveDigits[] = "99999";
static const DWORD SeparatorFlags = DIF_BOXCOLOR | DIF_SEPARATOR;

static void FillFromSettings(FarDialogItem* items) {
    items[ConfigAddToDisksMenu].Selected = SettingsBlock.AddToDisksMenu;
    items[ConfigAddToPluginsMenu].Selected = SettingsBlock.AddToPluginsMenu;
    if (SettingsBlock.DisksMenuDigit != 0)
        FormatNumber(items[ConfigDisksMenuDigit].Data, sizeof items[ConfigDisksMenuDigit].Data, "%d",
                     SettingsBlock.DisksMenuDigit);
    FormatNumber(items[ConfigTimeWaitInit].Data, sizeof items[ConfigTimeWaitInit].Data, "%d",
                 SettingsBlock.TimeWaitInit);
    items[ConfigByMemory].Selected = SettingsBlock.IsCopyKBytes == 0 ? 1 : 0;
    items[ConfigByKBytes].Selected = SettingsBlock.IsCopyKBytes;
    FormatNumber(items[ConfigCopyMemory].Data, sizeof items[ConfigCopyMemory].Data, "%d",
                 SettingsBlock.CopyMemory);
    FormatNumber(items[ConfigCopyKBytes].Data, sizeof items[ConfigCopyKBytes].Data, "%d",
                 SettingsBlock.CopyKBytes);
}

static void StoreIntoSettings(const FarDialogItem* items) {
    SettingsBlock.AddToDisksMenu = items[ConfigAddToDisksMenu].Selected;
    SettingsBlock.AddToPluginsMenu = items[ConfigAddToPluginsMenu].Selected;
    SettingsBlock.DisksMenuDigit = FsfAtoi(items[ConfigDisksMenuDigit].Data);
    SettingsBlock.TimeWaitInit = FsfAtoi(items[ConfigTimeWaitInit].Data);
    SettingsBlock.IsCopyKBytes = items[ConfigByKBytes].Selected;
    SettingsBlock.CopyMemory = BoundCopyMemory(FsfAtoi(items[ConfigCopyMemory].Data));
    SettingsBlock.CopyKBytes = BoundCopyKBytes(FsfAtoi(items[ConfigCopyKBytes].Data));
}

int ShowConfigDialog() {
    const uintptr_t empty = TemplateText("");
    const InitDialogItem templateItems[ConfigItemCount] = {
        {DI_DOUBLEBOX, 3, 1, 72, 11, 0, 0, 0, 0, MConfigTitle},
        {DI_CHECKBOX, 5, 2, 0, 0, 0, 0, 0, 0, MConfigAddToDisksMenu},
        {DI_FIXEDIT, 7, 3, 7, 3, 0, 0, 0, 0, empty},
        {DI_TEXT, 9, 3, 0, 0, 0, 0, 0, 0, MConfigDisksMenuDigit},
        {DI_CHECKBOX, 37, 2, 0, 0, 0, 0, 0, 0, MConfigAddToPluginsMenu},
        {DI_TEXT, 5, 4, 0, 0, 0, 0, SeparatorFlags, 0, empty},
        {DI_FIXEDIT, 6, 5, 7, 5, 0, 0, DIF_MASKEDIT, 0, empty},
        {DI_TEXT, 9, 5, 0, 0, 0, 0, 0, 0, MConfigTimeWaitInit},
        {DI_TEXT, 5, 6, 0, 0, 0, 0, SeparatorFlags, 0, empty},
        {DI_TEXT, 5, 7, 0, 0, 0, 0, 0, 0, MConfigCopyBuffer},
        {DI_RADIOBUTTON, 37, 7, 0, 0, 0, 0, DIF_GROUP, 0, MConfigCopyMemory},
        {DI_RADIOBUTTON, 37, 8, 0, 0, 0, 0, 0, 0, MConfigCopyKBytes},
        {DI_FIXEDIT, 53, 7, 57, 7, 0, 0, DIF_MASKEDIT, 0, empty},
        {DI_FIXEDIT, 53, 8, 57, 8, 0, 0, DIF_MASKEDIT, 0, empty},
        {DI_TEXT, 5, 9, 0, 0, 0, 0, SeparatorFlags, 0, empty},
        {DI_BUTTON, 0, 10, 0, 0, 0, 0, DIF_CENTERGROUP, 1, MOk},
        {DI_BUTTON, 0, 10, 0, 0, 0, 0, DIF_CENTERGROUP, 0, MCancel},
    };
    FarDialogItem items[ConfigItemCount];
    InitDialogItems(templateItems, items, ConfigItemCount);
    items[ConfigTimeWaitInit].Mask = TwoDigits;
    items[ConfigCopyMemory].Mask = FiveDigits;
    items[ConfigCopyKBytes].Mask = FiveDigits;
    FillFromSettings(items);

    if (HostDialog(76, 13, "Config", items, ConfigItemCount) != ConfigOk) return 0;

    StoreIntoSettings(items);
    SaveSettings();
    return 1;
}
