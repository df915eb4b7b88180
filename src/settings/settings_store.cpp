#include "settings/settings_store.h"

#include <string.h>

#include "plugin/host_services.h"

SettingsBlockRecord SettingsBlock;

const char* const SettingNames[SettingsCount] = {
    "AddToDisksMenu", "AddToPluginsMenu", "DisksMenuDigit", "TimeWaitInit",
    "IsCopyKBytes",   "CopyMemory",       "CopyKBytes"};

static const int SettingDefaults[SettingsCount] = {1, 1, 5, 10, 0, 10, 4096};

char SettingsKeyPath[80];

static int* SettingSlot(int index) {
    int* slots[SettingsCount] = {&SettingsBlock.AddToDisksMenu, &SettingsBlock.AddToPluginsMenu,
                                 &SettingsBlock.DisksMenuDigit, &SettingsBlock.TimeWaitInit,
                                 &SettingsBlock.IsCopyKBytes,   &SettingsBlock.CopyMemory,
                                 &SettingsBlock.CopyKBytes};
    return slots[index];
}

void SetSettingsKeyPath(const char* rootKey) {
    static const char suffix[] = "\\Vantelbrook";
    // A root key that does not fit is not cut: a shortened path would name
    // some other key, so the settings stay in memory only.
    if (!rootKey || strlen(rootKey) + strlen(suffix) + 1 > sizeof SettingsKeyPath) {
        SettingsKeyPath[0] = 0;
        return;
    }
    FormatText(SettingsKeyPath, sizeof SettingsKeyPath, "%s\\Vantelbrook", rootKey);
}

// The full key path, or false when there is none to use.
static bool FullKeyPath(const char* subKey, char (&path)[512]) {
    if (!SettingsKeyPath[0]) return false;
    if (strlen(SettingsKeyPath) + 1 + strlen(subKey) + 1 > sizeof path) return false;
    strcpy(path, SettingsKeyPath);
    if (subKey[0]) {
        strcat(path, "\\");
        strcat(path, subKey);
    }
    return true;
}

HKEY OpenSettingsKey(HKEY root, const char* subKey) {
    char path[512];
    if (!FullKeyPath(subKey, path)) return nullptr;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

HKEY CreateSettingsKey(HKEY root, const char* subKey) {
    char path[512];
    if (!FullKeyPath(subKey, path)) return nullptr;
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        &disposition) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

bool QuerySetting(HKEY root, const char* subKey, const char* name, int* value, int defaultValue) {
    HKEY key = OpenSettingsKey(root, subKey);
    bool found = false;
    if (key) {
        DWORD size = sizeof *value;
        found = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                                 &size) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    if (!found) *value = defaultValue;
    return found;
}

int ReadSetting(HKEY root, const char* subKey, const char* name, int defaultValue) {
    int value = defaultValue;
    QuerySetting(root, subKey, name, &value, defaultValue);
    return value;
}

void WriteSetting(HKEY root, const char* subKey, const char* name, int value) {
    HKEY key = CreateSettingsKey(root, subKey);
    if (!key) return;
    DWORD data = static_cast<DWORD>(value);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    RegCloseKey(key);
}

int BoundCopyMemory(int percent) {
    if (percent < 1) return 10;
    if (percent > 100) return 100;
    return percent;
}

int BoundCopyKBytes(int kilobytes) { return kilobytes < 1 ? 4096 : kilobytes; }

void LoadSettings() {
    for (int i = 0; i < SettingsCount; ++i)
        *SettingSlot(i) = ReadSetting(HKEY_CURRENT_USER, "", SettingNames[i], SettingDefaults[i]);
    SettingsBlock.CopyMemory = BoundCopyMemory(SettingsBlock.CopyMemory);
    SettingsBlock.CopyKBytes = BoundCopyKBytes(SettingsBlock.CopyKBytes);
}

void SaveSettings() {
    for (int i = 0; i < SettingsCount; ++i)
        WriteSetting(HKEY_CURRENT_USER, "", SettingNames[i], *SettingSlot(i));
}
