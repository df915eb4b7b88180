// What the process knows of its open files: the share modes of every open
// handle (enforced between handles, as Windows does) and the creation
// times that were set and that the file system cannot keep.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <mutex>

#include "vbwin32.h"

namespace vbplatform::detail {

struct FileId {
    dev_t device;
    ino_t inode;
};

// Held around a check and the change that depends on it (open, delete).
std::mutex& OpenFilesMutex();

// With the lock held: whether an opener with this access and share mode is
// compatible with every open handle of the file; if so it is recorded and
// *ticket identifies it for RemoveOpener.
bool TryAddOpener(FileId file, DWORD access, DWORD share, std::uint64_t* ticket);
void RemoveOpener(FileId file, std::uint64_t ticket);  // takes the lock itself

// With the lock held: whether every open handle of the file allows deletion.
bool DeleteAllowed(FileId file);

bool KeptCreationTime(FileId file, FILETIME* time);
void KeepCreationTime(FileId file, const FILETIME& time);
void ForgetCreationTime(FileId file);

}  // namespace vbplatform::detail
