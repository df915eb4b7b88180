// A local folder's entries as the system describes them, names and paths in
// the OEM code page (the host's text).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "farplugin.h"

namespace vbhost {

// The entries of one folder, without "." and "..". False when the folder
// cannot be read.
bool ListLocalFolder(const std::string& folder, std::vector<FAR_FIND_DATA>& entries);

// The folder joined with a name, with the system's separator.
std::string JoinLocalPath(const std::string& folder, const std::string& name);

// An absolute form of a path, against the current directory.
std::string AbsoluteLocalPath(const std::string& path);

// The parent folder of an absolute path ("" at the root).
std::string ParentLocalPath(const std::string& path);

// The last part of a path.
std::string LocalPathName(const std::string& path);

// Removes a file or a folder with everything in it, read-only entries and
// paths longer than MAX_PATH included. True when nothing of it is left.
bool RemoveLocalTree(const std::filesystem::path& path);

}  // namespace vbhost
