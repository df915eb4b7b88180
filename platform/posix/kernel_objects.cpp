#include "kernel_objects.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "last_error.h"

namespace vbplatform::detail {
namespace {

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, std::shared_ptr<KernelObject>> objects;
    std::uintptr_t nextId = 1;
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable;  // outlives every static destructor
    return *table;
}

// Multiples of four, as Windows hands them out; far from -1 and 0.
HANDLE HandleFromId(std::uintptr_t id) { return reinterpret_cast<HANDLE>(id * 4); }

std::uintptr_t IdFromHandle(HANDLE handle) {
    auto value = reinterpret_cast<std::uintptr_t>(handle);
    return value % 4 == 0 ? value / 4 : 0;
}

}  // namespace

HANDLE RegisterObject(std::shared_ptr<KernelObject> object) {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    std::uintptr_t id = table.nextId++;
    table.objects.emplace(id, std::move(object));
    return HandleFromId(id);
}

std::shared_ptr<KernelObject> FindObject(HANDLE handle) {
    std::uintptr_t id = IdFromHandle(handle);
    if (id == 0) return nullptr;
    HandleTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.objects.find(id);
    return found == table.objects.end() ? nullptr : found->second;
}

std::shared_ptr<KernelObject> RemoveObject(HANDLE handle) {
    std::uintptr_t id = IdFromHandle(handle);
    if (id == 0) return nullptr;
    HandleTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.objects.find(id);
    if (found == table.objects.end()) return nullptr;
    std::shared_ptr<KernelObject> object = std::move(found->second);
    table.objects.erase(found);
    return object;
}

}  // namespace vbplatform::detail

extern "C" BOOL CloseHandle(HANDLE object) {
    using namespace vbplatform::detail;
    std::shared_ptr<KernelObject> found = FindObject(object);
    // A registry key is closed with RegCloseKey only, as on Windows.
    if (!found || found->Kind() == ObjectKind::RegistryKey || !RemoveObject(object)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;  // the object's destructor releases what it holds
}
