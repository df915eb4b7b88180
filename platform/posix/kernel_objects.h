// One handle table for every kind of object the subset hands out (files,
// events, the console, registry keys), so CloseHandle and the waits can take
// any handle and tell a stale or foreign one from a live one.
#pragma once

#include <memory>

#include "vbwin32.h"

namespace vbplatform::detail {

enum class ObjectKind { File, Event, Console, RegistryKey };

class KernelObject {
public:
    explicit KernelObject(ObjectKind kind) : kind_(kind) {}
    virtual ~KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;

    ObjectKind Kind() const { return kind_; }

private:
    ObjectKind kind_;
};

// Handles are never 0 nor INVALID_HANDLE_VALUE and are not reused, so a
// handle used after CloseHandle is reported as invalid.
HANDLE RegisterObject(std::shared_ptr<KernelObject> object);

// The object behind a handle, or null when the handle is not live.
std::shared_ptr<KernelObject> FindObject(HANDLE handle);

// Takes the handle out of the table; the object lives on while a caller
// still holds it (a thread blocked in a wait, say).
std::shared_ptr<KernelObject> RemoveObject(HANDLE handle);

template <class T>
std::shared_ptr<T> FindObjectOf(HANDLE handle, ObjectKind kind) {
    std::shared_ptr<KernelObject> object = FindObject(handle);
    if (!object || object->Kind() != kind) return nullptr;
    return std::static_pointer_cast<T>(object);
}

}  // namespace vbplatform::detail
