// A folder of its own for each test, removed with everything in it.
#pragma once

#include <string>

namespace vbtest {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's absolute path, symbolic links resolved.
    const std::string& Path() const { return path_; }
    // A name inside the folder ("a/b" may use either separator).
    std::string Join(const std::string& name) const { return path_ + kSeparator + name; }

private:
    std::string path_;
};

// Creates a file holding text (or an empty one); fails the test on error.
void WriteFileText(const std::string& path, const std::string& text);
std::string ReadFileText(const std::string& path);

}  // namespace vbtest
