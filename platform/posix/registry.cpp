// The registry calls over the text store. Every call re-reads the store
// and every change rewrites it; one lock orders this process's calls.
// Other processes are not locked out: the last writer wins.
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "kernel_objects.h"
#include "last_error.h"
#include "registry_store.h"

namespace vbplatform::detail {
namespace {

class RegistryKeyObject : public KernelObject {
public:
    RegistryKeyObject(std::string path, REGSAM access)
        : KernelObject(ObjectKind::RegistryKey), path_(std::move(path)), access_(access) {}

    const std::string& Path() const { return path_; }
    REGSAM Access() const { return access_; }

private:
    std::string path_;
    REGSAM access_;
};

std::mutex& RegistryMutex() {
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

// What a key handle names: a predefined root or an open key.
struct ResolvedKey {
    std::string path;
    REGSAM access = 0;
};

std::uintptr_t PredefinedIndex(HKEY key) {
    auto value = reinterpret_cast<std::uintptr_t>(key);
    return value >= 0x80000000u && value <= 0x80000002u ? value - 0x80000000u + 1 : 0;
}

bool Resolve(HKEY key, ResolvedKey* resolved) {
    if (std::uintptr_t index = PredefinedIndex(key)) {
        static const char* const roots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
        resolved->path = roots[index - 1];
        resolved->access = KEY_ALL_ACCESS;
        return true;
    }
    auto open = FindObjectOf<RegistryKeyObject>(reinterpret_cast<HANDLE>(key), ObjectKind::RegistryKey);
    if (!open) return false;
    resolved->path = open->Path();
    resolved->access = open->Access();
    return true;
}

bool KeyExists(RegistryTree& tree, const std::string& path) {
    return RegistryTree::IsRoot(path) || tree.Find(path) != nullptr;
}

HKEY NewKeyHandle(const std::string& path, REGSAM access) {
    return reinterpret_cast<HKEY>(RegisterObject(std::make_shared<RegistryKeyObject>(path, access)));
}

// The stored key behind an open handle, after a fresh read of the store.
LONG LoadKey(HKEY key, REGSAM right, RegistryTree* tree, ResolvedKey* resolved) {
    if (!Resolve(key, resolved)) return ERROR_INVALID_HANDLE;
    if ((resolved->access & right) != right) return ERROR_ACCESS_DENIED;
    if (DWORD error = LoadStore(tree)) return static_cast<LONG>(error);
    if (!KeyExists(*tree, resolved->path)) return static_cast<LONG>(kErrorKeyDeleted);
    return ERROR_SUCCESS;
}

std::string ValueName(LPCSTR name) { return name != nullptr ? name : ""; }

}  // namespace
}  // namespace vbplatform::detail

using namespace vbplatform::detail;

extern "C" LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD /*options*/, REGSAM access, PHKEY result) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(RegistryMutex());
    ResolvedKey base;
    if (!Resolve(key, &base)) return ERROR_INVALID_HANDLE;
    RegistryTree tree;
    if (DWORD error = LoadStore(&tree)) return static_cast<LONG>(error);
    std::string path = JoinKeyPath(base.path, ValueName(subKey));
    if (!KeyExists(tree, path)) return ERROR_FILE_NOT_FOUND;
    RegistryKey* stored = tree.Find(path);
    *result = NewKeyHandle(stored != nullptr ? stored->path : path, access);
    return ERROR_SUCCESS;
}

extern "C" LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD /*reserved*/, LPSTR /*keyClass*/,
                                DWORD /*options*/, REGSAM access, LPSECURITY_ATTRIBUTES /*security*/,
                                PHKEY result, LPDWORD disposition) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(RegistryMutex());
    ResolvedKey base;
    if (!Resolve(key, &base)) return ERROR_INVALID_HANDLE;
    RegistryTree tree;
    if (DWORD error = LoadStore(&tree)) return static_cast<LONG>(error);
    std::string path = JoinKeyPath(base.path, ValueName(subKey));
    bool existed = KeyExists(tree, path);
    if (!existed) {
        if (!(base.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
        tree.Create(path);
        if (DWORD error = SaveStore(tree)) return static_cast<LONG>(error);
    }
    RegistryKey* stored = tree.Find(path);
    *result = NewKeyHandle(stored != nullptr ? stored->path : path, access);
    if (disposition != nullptr) *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    return ERROR_SUCCESS;
}

extern "C" LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD /*reserved*/, LPDWORD type,
                                 LPBYTE data, LPDWORD dataSize) {
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(RegistryMutex());
    RegistryTree tree;
    ResolvedKey resolved;
    if (LONG error = LoadKey(key, KEY_QUERY_VALUE, &tree, &resolved)) return error;
    RegistryKey* stored = tree.Find(resolved.path);
    RegistryValue* value = stored != nullptr ? stored->FindValue(ValueName(valueName)) : nullptr;
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    if (type != nullptr) *type = value->type;
    if (dataSize == nullptr) return ERROR_SUCCESS;
    auto size = static_cast<DWORD>(value->data.size());
    if (data != nullptr && *dataSize < size) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr && size > 0) std::memcpy(data, value->data.data(), size);
    *dataSize = size;
    return ERROR_SUCCESS;
}

extern "C" LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD /*reserved*/, DWORD type,
                               const BYTE* data, DWORD dataSize) {
    if (data == nullptr && dataSize > 0) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(RegistryMutex());
    RegistryTree tree;
    ResolvedKey resolved;
    if (LONG error = LoadKey(key, KEY_SET_VALUE, &tree, &resolved)) return error;
    if (RegistryTree::IsRoot(resolved.path)) return ERROR_ACCESS_DENIED;  // roots hold no values here
    RegistryValue value;
    value.name = ValueName(valueName);
    value.type = type;
    if (dataSize > 0) value.data.assign(data, data + dataSize);
    tree.Find(resolved.path)->SetValue(std::move(value));
    return static_cast<LONG>(SaveStore(tree));
}

extern "C" LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    RegistryTree tree;
    ResolvedKey resolved;
    if (LONG error = LoadKey(key, KEY_SET_VALUE, &tree, &resolved)) return error;
    RegistryKey* stored = tree.Find(resolved.path);
    if (stored == nullptr || !stored->DeleteValue(ValueName(valueName))) return ERROR_FILE_NOT_FOUND;
    return static_cast<LONG>(SaveStore(tree));
}

extern "C" LONG RegCloseKey(HKEY key) {
    if (PredefinedIndex(key) != 0) return ERROR_SUCCESS;  // predefined keys are never really closed
    auto handle = reinterpret_cast<HANDLE>(key);
    if (!FindObjectOf<RegistryKeyObject>(handle, ObjectKind::RegistryKey) || !RemoveObject(handle)) {
        return ERROR_INVALID_HANDLE;
    }
    return ERROR_SUCCESS;
}
