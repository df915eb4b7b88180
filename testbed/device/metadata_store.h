// Attributes and times that the device keeps per entry beyond what the
// local disk can hold (read-only, hidden, in-ROM, exact creation times ...).
//
// In memory: a map from the entry's path below the storage root (UTF-8,
// '/'-separated, spelled as on the disk) to its record. On disk: a journal
// at the storage root, one change a line, replayed at load and rewritten
// compactly (temporary file, then rename) at load and when it has grown far
// beyond the live records, so that each change costs one appended line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "device_control.h"

namespace vbdevice {

struct StoredEntry {
    DWORD attributes = 0;
    FILETIME creation{};
    FILETIME lastAccess{};
    FILETIME lastWrite{};
};

class MetadataStore {
public:
    // Names at the storage root that belong to the store; the device shows
    // and accepts none of them.
    static bool IsReservedName(const std::string& utf8Name);

    // Loads the journal of the storage root, forgets records of entries that
    // are no longer on the disk, and rewrites it compactly.
    void Open(const std::filesystem::path& storageRoot);
    void Close();

    const StoredEntry* Find(const std::string& key) const;
    // Records the entry and appends it to the journal.
    void Put(const std::string& key, const StoredEntry& entry);
    // Records it in memory only; Persist writes it later (writes of a file
    // update its times often, the journal hears of them once at close).
    void PutInMemory(const std::string& key, const StoredEntry& entry);
    void Persist(const std::string& key);
    // The entry and everything below it.
    void Erase(const std::string& key);
    void Rename(const std::string& from, const std::string& to);

    // Direct children of a directory key ("" for the root) that have records,
    // by their UTF-8 names.
    std::map<std::string, const StoredEntry*> ChildrenOf(const std::string& directoryKey) const;

    bool empty() const { return entries_.empty(); }

private:
    void Append(const std::string& line);
    void Replay(const std::string& line);
    void EraseInMemory(const std::string& key);
    void RenameInMemory(const std::string& from, const std::string& to);
    void Compact();
    void CompactIfGrown();

    std::filesystem::path root_;
    std::map<std::string, StoredEntry> entries_;
    std::ofstream journal_;
    std::size_t journalLines_ = 0;
};

}  // namespace vbdevice
