#include "registry_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sstream>

#include "last_error.h"
#include "vbplatform_testing.h"

namespace vbplatform::detail {
namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";
constexpr const char* kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};

struct StoreLocation {
    std::mutex mutex;
    std::string explicitPath;
};

StoreLocation& Location() {
    static StoreLocation* location = new StoreLocation;
    return *location;
}

bool EqualsFolded(const std::string& a, const std::string& b) { return FoldCase(a) == FoldCase(b); }

std::string ParentKeyPath(const std::string& path) {
    std::string::size_type slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// ---- parsing ---------------------------------------------------------------

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A quoted text starting at text[*pos] (the opening quote), with \\ and \"
// escapes; *pos moves past the closing quote.
bool ParseQuoted(const std::string& text, std::size_t* pos, std::string* out) {
    if (*pos >= text.size() || text[*pos] != '"') return false;
    out->clear();
    for (std::size_t i = *pos + 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            *pos = i + 1;
            return true;
        }
        if (c == '\\') {
            if (++i >= text.size()) return false;
            c = text[i];
        }
        *out += c;
    }
    return false;
}

bool ParseHexBytes(const std::string& text, std::vector<BYTE>* bytes) {
    bytes->clear();
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i == text.size()) break;
        if (i + 1 >= text.size()) return false;
        int high = HexDigit(text[i]);
        int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes->push_back(static_cast<BYTE>(high * 16 + low));
        i += 2;
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i < text.size()) {
            if (text[i] != ',') return false;
            ++i;
        }
    }
    return true;
}

bool ParseData(const std::string& text, RegistryValue* value) {
    if (!text.empty() && text[0] == '"') {
        std::size_t pos = 0;
        std::string content;
        if (!ParseQuoted(text, &pos, &content) || pos != text.size()) return false;
        value->type = REG_SZ;
        value->data.assign(content.begin(), content.end());
        value->data.push_back(0);
        return true;
    }
    if (text.compare(0, 6, "dword:") == 0) {
        std::string digits = text.substr(6);
        if (digits.empty() || digits.size() > 8) return false;
        DWORD number = 0;
        for (char c : digits) {
            if (HexDigit(c) < 0) return false;
            number = number * 16 + static_cast<DWORD>(HexDigit(c));
        }
        value->type = REG_DWORD;
        value->data = {BYTE(number), BYTE(number >> 8), BYTE(number >> 16), BYTE(number >> 24)};
        return true;
    }
    std::size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    std::string kind = text.substr(0, colon);
    if (kind == "hex") {
        value->type = REG_BINARY;
    } else if (kind.size() > 5 && kind.compare(0, 4, "hex(") == 0 && kind.back() == ')' &&
               kind.size() <= 4 + 8 + 1) {
        DWORD type = 0;
        for (std::size_t i = 4; i + 1 < kind.size(); ++i) {
            if (HexDigit(kind[i]) < 0) return false;
            type = type * 16 + static_cast<DWORD>(HexDigit(kind[i]));
        }
        value->type = type;
    } else {
        return false;
    }
    return ParseHexBytes(text.substr(colon + 1), &value->data);
}

bool ParseValueLine(const std::string& line, RegistryValue* value) {
    std::size_t pos = 0;
    if (line[0] == '@') {
        value->name.clear();
        pos = 1;
    } else if (!ParseQuoted(line, &pos, &value->name)) {
        return false;
    }
    if (pos >= line.size() || line[pos] != '=') return false;
    return ParseData(line.substr(pos + 1), value);
}

// Lines without their line ends, long hex lines ("...,\") joined.
std::vector<std::string> LogicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    bool continues = false;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (continues) {
            std::size_t start = line.find_first_not_of(" \t");
            lines.back() += start == std::string::npos ? std::string() : line.substr(start);
        } else {
            lines.push_back(line);
        }
        continues = !lines.back().empty() && lines.back().back() == '\\' &&
                    lines.back().find("=hex") != std::string::npos;
        if (continues) lines.back().pop_back();
    }
    return lines;
}

// ---- writing ---------------------------------------------------------------

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

// A REG_SZ that reads back the same from its "text" form.
bool IsPlainText(const RegistryValue& value) {
    if (value.type != REG_SZ || value.data.empty() || value.data.back() != 0) return false;
    for (std::size_t i = 0; i + 1 < value.data.size(); ++i) {
        if (value.data[i] < 0x20 || value.data[i] > 0x7E) return false;
    }
    return true;
}

std::string DataText(const RegistryValue& value) {
    char number[32];
    if (value.type == REG_DWORD && value.data.size() == 4) {
        DWORD dword = DWORD(value.data[0]) | DWORD(value.data[1]) << 8 | DWORD(value.data[2]) << 16 |
                      DWORD(value.data[3]) << 24;
        std::snprintf(number, sizeof number, "dword:%08x", static_cast<unsigned>(dword));
        return number;
    }
    if (IsPlainText(value)) {
        return "\"" + Escaped(std::string(value.data.begin(), value.data.end() - 1)) + "\"";
    }
    std::string text;
    if (value.type == REG_BINARY) {
        text = "hex:";
    } else {
        std::snprintf(number, sizeof number, "hex(%x):", static_cast<unsigned>(value.type));
        text = number;
    }
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(number, sizeof number, i == 0 ? "%02x" : ",%02x", value.data[i]);
        text += number;
    }
    return text;
}

std::string ParentFolder(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void MakeFolders(const std::string& folder) {
    if (folder.empty() || folder == "/" || folder == ".") return;
    struct stat status {};
    if (stat(folder.c_str(), &status) == 0) return;
    MakeFolders(ParentFolder(folder));
    mkdir(folder.c_str(), 0700);
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t put = write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (put == 0) errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

std::string TemporaryPathBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + ".tmp." + std::to_string(getpid()) + "." + std::to_string(counter++);
}

void FlushFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);  // makes the rename itself durable
    close(fd);
}

std::string DefaultStorePath() {
    if (const char* path = std::getenv("VANTELBROOK_REGISTRY"); path != nullptr && *path != '\0') return path;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        config = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || *home == '\0') {
            const passwd* user = getpwuid(getuid());
            home = user != nullptr ? user->pw_dir : "/tmp";
        }
        config = std::string(home) + "/.config";
    }
    return config + "/vantelbrook/registry.reg";
}

}  // namespace

std::string FoldCase(const std::string& text) {
    std::string folded = text;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

std::string JoinKeyPath(const std::string& base, const std::string& subKey) {
    std::string joined = base;
    std::size_t start = 0;
    while (start <= subKey.size()) {
        std::size_t end = subKey.find('\\', start);
        if (end == std::string::npos) end = subKey.size();
        if (end > start) joined += "\\" + subKey.substr(start, end - start);
        start = end + 1;
    }
    return joined;
}

RegistryValue* RegistryKey::FindValue(const std::string& name) {
    for (RegistryValue& value : values) {
        if (EqualsFolded(value.name, name)) return &value;
    }
    return nullptr;
}

void RegistryKey::SetValue(RegistryValue value) {
    if (RegistryValue* existing = FindValue(value.name)) {
        existing->type = value.type;  // the name keeps the case first written
        existing->data = std::move(value.data);
    } else {
        values.push_back(std::move(value));
    }
}

bool RegistryKey::DeleteValue(const std::string& name) {
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (EqualsFolded(it->name, name)) {
            values.erase(it);
            return true;
        }
    }
    return false;
}

bool RegistryTree::IsRoot(const std::string& path) {
    for (const char* root : kRootNames) {
        if (EqualsFolded(path, root)) return true;
    }
    return false;
}

RegistryKey* RegistryTree::Find(const std::string& path) {
    auto found = keys_.find(FoldCase(path));
    return found == keys_.end() ? nullptr : &found->second;
}

RegistryKey& RegistryTree::Create(const std::string& path) {
    if (RegistryKey* existing = Find(path)) return *existing;
    std::string parent = ParentKeyPath(path);
    std::string casedPath = path;
    if (!parent.empty() && !IsRoot(parent)) {
        // The parent's stored case wins over the case of this request.
        casedPath = Create(parent).path + path.substr(parent.size());
    } else if (!parent.empty()) {
        for (const char* root : kRootNames) {
            if (EqualsFolded(parent, root)) casedPath = root + path.substr(parent.size());
        }
    }
    RegistryKey& key = keys_[FoldCase(path)];
    key.path = casedPath;
    return key;
}

RegistryTree RegistryTree::Parse(const std::string& text) {
    RegistryTree tree;
    RegistryKey* current = nullptr;
    for (const std::string& line : LogicalLines(text)) {
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            std::size_t close = line.rfind(']');
            std::string path = close == std::string::npos ? std::string() : JoinKeyPath("", line.substr(1, close - 1));
            if (!path.empty()) path.erase(0, 1);  // JoinKeyPath's leading separator
            std::string root = path.substr(0, path.find('\\'));
            current = (IsRoot(root) && !IsRoot(path)) ? &tree.Create(path) : nullptr;
            continue;
        }
        RegistryValue value;
        if (current != nullptr && ParseValueLine(line, &value)) current->SetValue(std::move(value));
    }
    return tree;
}

std::string RegistryTree::Serialize() const {
    std::string text = std::string(kHeader) + "\r\n";
    for (const auto& entry : keys_) {
        const RegistryKey& key = entry.second;
        text += "\r\n[" + key.path + "]\r\n";
        for (const RegistryValue& value : key.values) {
            text += (value.name.empty() ? std::string("@") : "\"" + Escaped(value.name) + "\"") + "=" +
                    DataText(value) + "\r\n";
        }
    }
    return text;
}

std::string StorePath() {
    StoreLocation& location = Location();
    std::lock_guard<std::mutex> lock(location.mutex);
    return location.explicitPath.empty() ? DefaultStorePath() : location.explicitPath;
}

DWORD LoadStore(RegistryTree* tree) {
    std::string path = StorePath();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            *tree = RegistryTree();
            return ERROR_SUCCESS;
        }
        return ErrorFromErrno(errno);
    }
    std::string text;
    char buffer[8192];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            DWORD error = ErrorFromErrno(errno);
            close(fd);
            return error;
        }
        if (got == 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    *tree = RegistryTree::Parse(text);
    return ERROR_SUCCESS;
}

DWORD SaveStore(const RegistryTree& tree) {
    std::string path = StorePath();
    std::string folder = ParentFolder(path);
    MakeFolders(folder);
    std::string temporary = TemporaryPathBeside(path);
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return ErrorFromErrno(errno);
    bool written = WriteAll(fd, tree.Serialize()) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        unlink(temporary.c_str());
        return ErrorFromErrno(error);
    }
    FlushFolder(folder);
    return ERROR_SUCCESS;
}

}  // namespace vbplatform::detail

namespace vbplatform {

void SetRegistryPath(const std::string& path) {
    detail::StoreLocation& location = detail::Location();
    std::lock_guard<std::mutex> lock(location.mutex);
    location.explicitPath = path;
}

std::string RegistryPath() { return detail::StorePath(); }

}  // namespace vbplatform
