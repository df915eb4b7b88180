#include "language_file.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace vbhost {

namespace fs = std::filesystem;

// One message line: the text between the opening quote and the closing one,
// with the host's escapes.
static std::string ParseMessageLine(const std::string& line, size_t quote) {
    std::string text;
    size_t end = line.find_last_of('"');
    if (end == quote) end = line.size();
    for (size_t i = quote + 1; i < end; ++i) {
        char c = line[i];
        if (c == '"' && i + 1 < end && line[i + 1] == '"') {
            text += '"';
            ++i;
        } else if (c == '\\' && i + 1 < end) {
            char next = line[++i];
            switch (next) {
                case 'n': text += '\n'; break;
                case 'r': text += '\r'; break;
                case 'b': text += '\b'; break;
                case 't': text += '\t'; break;
                case '\\': text += '\\'; break;
                case '"': text += '"'; break;
                default: text += '\\'; text += next; break;
            }
        } else {
            text += c;
        }
    }
    return text;
}

LanguageFile ParseLanguageFile(const std::string& text) {
    LanguageFile file;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        if (line[first] == '"') {
            file.messages.push_back(ParseMessageLine(line, first));
        } else if (line.compare(first, 10, ".Language=") == 0) {
            std::string value = line.substr(first + 10);
            file.languageName = value.substr(0, value.find(','));
        }
    }
    return file;
}

static bool ReadFile(const fs::path& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

bool LoadModuleLanguage(const std::string& folder, const std::string& language, LanguageFile& out) {
    std::error_code error;
    bool haveEnglish = false;
    LanguageFile english;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        fs::path path = entry.path();
        std::string extension = path.extension().string();
        for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (extension != ".lng") continue;
        std::string text;
        if (!ReadFile(path, text)) continue;
        LanguageFile file = ParseLanguageFile(text);
        if (file.languageName == language) {
            out = file;
            return true;
        }
        if (file.languageName == "English") {
            english = file;
            haveEnglish = true;
        }
    }
    if (!haveEnglish) return false;
    out = english;
    return true;
}

}  // namespace vbhost
