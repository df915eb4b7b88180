// The seven settings, kept in memory and persisted as REG_DWORD values of the
// module's key below the host's root key for plug-ins.
#pragma once

#include "vbwin32.h"

struct SettingsBlockRecord {
    int AddToDisksMenu;
    int AddToPluginsMenu;
    int DisksMenuDigit;
    int TimeWaitInit;
    int IsCopyKBytes;
    int CopyMemory;
    int CopyKBytes;
};

enum { SettingsCount = 7 };

extern SettingsBlockRecord SettingsBlock;
// The registry value names, in the order of the block.
extern const char* const SettingNames[SettingsCount];
// "<host root key>\Vantelbrook"; empty when the root key does not fit, and
// then the registry is neither read nor written.
extern char SettingsKeyPath[80];

// Formats SettingsKeyPath from the host's root key.
void SetSettingsKeyPath(const char* rootKey);

HKEY OpenSettingsKey(HKEY root, const char* subKey);
HKEY CreateSettingsKey(HKEY root, const char* subKey);
bool QuerySetting(HKEY root, const char* subKey, const char* name, int* value, int defaultValue);
int ReadSetting(HKEY root, const char* subKey, const char* name, int defaultValue);
void WriteSetting(HKEY root, const char* subKey, const char* name, int value);

// Reads all seven with their defaults and bounds.
void LoadSettings();
// Writes all seven, in the order of SettingNames.
void SaveSettings();

// Bounds applied to the buffer settings whenever they are taken in.
int BoundCopyMemory(int percent);
int BoundCopyKBytes(int kilobytes);
