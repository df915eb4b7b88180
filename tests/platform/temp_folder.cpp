#include "temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "vbwin32.h"

#ifndef _WIN32
#include <climits>
#include <unistd.h>
#endif

namespace vbtest {
namespace {

#ifdef _WIN32
std::string MakeUniqueFolder() {
    char base[MAX_PATH];
    if (GetTempPathA(MAX_PATH, base) == 0) throw std::runtime_error("no temporary folder");
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        std::string path = std::string(base) + "vbplatform-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount()) + "-" + std::to_string(attempt);
        if (CreateDirectoryA(path.c_str(), nullptr)) return path;
    }
    throw std::runtime_error("cannot create a temporary folder");
}
#else
std::string MakeUniqueFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vbplatform-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
    char resolved[PATH_MAX];
    if (realpath(pattern.c_str(), resolved) == nullptr) throw std::runtime_error("cannot resolve " + pattern);
    return resolved;
}
#endif

// Tests leave read-only files and folders behind; make everything writable
// so the folder can go.
void MakeWritable(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (auto it = fs::recursive_directory_iterator(root, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        if (!it->is_symlink(ignored)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
}

}  // namespace

TempFolder::TempFolder() : path_(MakeUniqueFolder()) {}

TempFolder::~TempFolder() {
    std::error_code ignored;
    MakeWritable(path_);
    std::filesystem::remove_all(path_, ignored);
}

void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace vbtest
