#include "metadata_store.h"

#include <cinttypes>
#include <cstdio>
#include <sstream>
#include <system_error>
#include <vector>

#include "device_text.h"
#include "disk_access.h"

namespace vbdevice {

namespace {

const char kJournalName[] = ".vbdevice-metadata";
const char kCompactingName[] = ".vbdevice-metadata.new";
const char kHeader[] = "vbdevice-metadata 1";

// Keys are ordered so that a directory's subtree is the range
// [key + '/', key + ('/' + 1)).
const char kAfterSeparator = '/' + 1;

bool IsBelow(const std::string& key, const std::string& ancestor) {
    return key.size() > ancestor.size() && key.compare(0, ancestor.size(), ancestor) == 0 &&
           key[ancestor.size()] == '/';
}

std::string FormatEntry(const std::string& key, const StoredEntry& e) {
    char fields[96];
    std::snprintf(fields, sizeof fields, "S %08" PRIx32 " %" PRIu64 " %" PRIu64 " %" PRIu64 " ",
                  static_cast<std::uint32_t>(e.attributes), FileTimeTicks(e.creation),
                  FileTimeTicks(e.lastAccess), FileTimeTicks(e.lastWrite));
    return fields + key;
}

std::filesystem::path DiskPathOfKey(const std::filesystem::path& root, const std::string& key) {
    std::filesystem::path path = root;
    std::size_t start = 0;
    while (start <= key.size()) {
        std::size_t end = key.find('/', start);
        if (end == std::string::npos) end = key.size();
        path /= DiskName(FromUtf8(key.substr(start, end - start)));
        start = end + 1;
    }
    return path;
}

}  // namespace

bool MetadataStore::IsReservedName(const std::string& utf8Name) {
    return EqualNoCase(FromUtf8(utf8Name), FromUtf8(kJournalName)) ||
           EqualNoCase(FromUtf8(utf8Name), FromUtf8(kCompactingName));
}

void MetadataStore::Open(const std::filesystem::path& storageRoot) {
    Close();
    root_ = storageRoot;
    std::ifstream in(root_ / kJournalName, std::ios::binary);
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (first) {
            first = false;
            if (line == kHeader) continue;
        }
        Replay(line);  // a line cut short by a crash is not understood and ignored
    }
    in.close();

    std::vector<std::string> gone;
    for (const auto& item : entries_) {
        std::error_code ec;
        if (!std::filesystem::exists(DiskPathOfKey(root_, item.first), ec)) gone.push_back(item.first);
    }
    for (const std::string& key : gone) entries_.erase(key);
    Compact();
}

void MetadataStore::Close() {
    if (journal_.is_open()) journal_.close();
    entries_.clear();
    journalLines_ = 0;
    root_.clear();
}

const StoredEntry* MetadataStore::Find(const std::string& key) const {
    auto it = entries_.find(key);
    return it == entries_.end() ? nullptr : &it->second;
}

void MetadataStore::Put(const std::string& key, const StoredEntry& entry) {
    entries_[key] = entry;
    Append(FormatEntry(key, entry));
}

void MetadataStore::PutInMemory(const std::string& key, const StoredEntry& entry) {
    entries_[key] = entry;
}

void MetadataStore::Persist(const std::string& key) {
    if (const StoredEntry* entry = Find(key)) Append(FormatEntry(key, *entry));
}

void MetadataStore::Erase(const std::string& key) {
    EraseInMemory(key);
    Append("D " + key);
}

void MetadataStore::Rename(const std::string& from, const std::string& to) {
    RenameInMemory(from, to);
    Append("R " + from + '\t' + to);
}

std::map<std::string, const StoredEntry*> MetadataStore::ChildrenOf(
    const std::string& directoryKey) const {
    std::map<std::string, const StoredEntry*> children;
    std::string prefix = directoryKey.empty() ? std::string() : directoryKey + '/';
    auto it = entries_.lower_bound(prefix);
    std::string end = directoryKey.empty() ? std::string() : directoryKey + kAfterSeparator;
    for (; it != entries_.end() && (end.empty() || it->first < end); ++it) {
        std::string rest = it->first.substr(prefix.size());
        if (rest.find('/') == std::string::npos) children.emplace(rest, &it->second);
    }
    return children;
}

void MetadataStore::Append(const std::string& line) {
#ifdef _WIN32
    // An open file keeps its folder from being removed here: the journal is
    // open only while a line is written.
    if (root_.empty()) return;
    std::ofstream journal(root_ / kJournalName, std::ios::binary | std::ios::app);
    journal << line << '\n';
#else
    if (!journal_.is_open()) return;
    journal_ << line << '\n';
    journal_.flush();
#endif
    ++journalLines_;
    CompactIfGrown();
}

void MetadataStore::Replay(const std::string& line) {
    if (line.size() < 3 || line[1] != ' ') return;
    std::string rest = line.substr(2);
    switch (line[0]) {
        case 'S': {
            std::istringstream fields(rest);
            std::uint32_t attributes;
            std::uint64_t creation, access, write;
            fields >> std::hex >> attributes >> std::dec >> creation >> access >> write;
            if (!fields || fields.get() != ' ') return;
            std::string key;
            std::getline(fields, key);
            if (key.empty()) return;
            entries_[key] = StoredEntry{attributes, MakeFileTime(creation), MakeFileTime(access),
                                        MakeFileTime(write)};
            break;
        }
        case 'D':
            EraseInMemory(rest);
            break;
        case 'R': {
            std::size_t tab = rest.find('\t');
            if (tab == std::string::npos) return;
            RenameInMemory(rest.substr(0, tab), rest.substr(tab + 1));
            break;
        }
        default:
            break;
    }
}

void MetadataStore::EraseInMemory(const std::string& key) {
    entries_.erase(key);
    auto first = entries_.lower_bound(key + '/');
    auto last = entries_.lower_bound(key + kAfterSeparator);
    entries_.erase(first, last);
}

void MetadataStore::RenameInMemory(const std::string& from, const std::string& to) {
    std::vector<std::pair<std::string, StoredEntry>> moved;
    for (auto it = entries_.lower_bound(from); it != entries_.end();) {
        if (it->first != from && !IsBelow(it->first, from)) {
            if (it->first.compare(0, from.size(), from) != 0) break;
            ++it;  // a sibling such as "from0" sorts among the subtree's keys
            continue;
        }
        moved.emplace_back(to + it->first.substr(from.size()), it->second);
        it = entries_.erase(it);
    }
    EraseInMemory(to);
    for (auto& item : moved) entries_[item.first] = item.second;
}

void MetadataStore::Compact() {
    if (root_.empty()) return;
    if (journal_.is_open()) journal_.close();
    std::error_code ec;
    std::filesystem::create_directories(root_, ec);
    bool written;
    {
        std::ofstream out(root_ / kCompactingName, std::ios::binary | std::ios::trunc);
        out << kHeader << '\n';
        for (const auto& item : entries_) out << FormatEntry(item.first, item.second) << '\n';
        out.flush();
        written = static_cast<bool>(out);
    }
    // When the new file could not be written, the old journal goes on.
    if (written) {
        std::filesystem::rename(root_ / kCompactingName, root_ / kJournalName, ec);
        if (!ec) journalLines_ = entries_.size();
    }
#ifndef _WIN32
    journal_.open(root_ / kJournalName, std::ios::binary | std::ios::app);
#endif
}

void MetadataStore::CompactIfGrown() {
    if (journalLines_ > 2 * entries_.size() + 4096) Compact();
}

}  // namespace vbdevice
