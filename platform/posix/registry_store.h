// The registry as a tree of keys and its store: a text file in the format
// of a registry export, re-read for every operation (so another process's
// writes are seen) and replaced atomically on every change.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "vbwin32.h"

namespace vbplatform::detail {

struct RegistryValue {
    std::string name;  // "" is the key's default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RegistryKey {
    std::string path;  // full path from the root name, in the case first written
    std::vector<RegistryValue> values;

    RegistryValue* FindValue(const std::string& name);
    void SetValue(RegistryValue value);
    bool DeleteValue(const std::string& name);
};

// Key and value names compare without regard to (ASCII) case.
std::string FoldCase(const std::string& text);

// Joins a base path and a sub-key, dropping empty parts between backslashes.
std::string JoinKeyPath(const std::string& base, const std::string& subKey);

class RegistryTree {
public:
    // Null when the key is missing; a root ("HKEY_CURRENT_USER") always exists
    // but has no stored record, so it is reported by IsRoot instead.
    RegistryKey* Find(const std::string& path);
    // Creates the key and every missing key above it.
    RegistryKey& Create(const std::string& path);

    static bool IsRoot(const std::string& path);
    static RegistryTree Parse(const std::string& text);  // unreadable lines are skipped
    std::string Serialize() const;

private:
    std::map<std::string, RegistryKey> keys_;  // by folded path
};

// Where the store lives (SetRegistryPath, VANTELBROOK_REGISTRY, the user's
// configuration folder).
std::string StorePath();

// A missing store is an empty tree. On failure returns a Win32 error.
DWORD LoadStore(RegistryTree* tree);

// Writes a temporary file beside the store, flushes it to disk and renames
// it over the store. On failure the old store is untouched and a Win32
// error is returned.
DWORD SaveStore(const RegistryTree& tree);

}  // namespace vbplatform::detail
