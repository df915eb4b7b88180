#include "project_files.h"

#include <fstream>
#include <regex>
#include <sstream>

bool ReadFileBytes(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream out;
    out << in.rdbuf();
    *bytes = out.str();
    return true;
}

std::string LangFilePath(const std::string& name) { return std::string(VB_LANG_DIR) + "/" + name; }

std::string MessagesHeaderPath() { return VB_MESSAGES_HEADER; }

std::vector<MessageIdEntry> ParseMessageIds(const std::string& headerText) {
    static const std::regex entry(R"((^|\n)\s*(M\w+)\s*=\s*(\d+)\s*,?)");
    std::vector<MessageIdEntry> ids;
    for (std::sregex_iterator it(headerText.begin(), headerText.end(), entry), end; it != end; ++it) {
        MessageIdEntry id{(*it)[2].str(), std::stoi((*it)[3].str())};
        if (id.name != "MessageCount") ids.push_back(id);
    }
    return ids;
}

namespace {

void AppendUtf8(unsigned code, std::string* out) {
    if (code < 0x80) {
        *out += static_cast<char>(code);
    } else if (code < 0x800) {
        *out += static_cast<char>(0xC0 | (code >> 6));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out += static_cast<char>(0xE0 | (code >> 12));
        *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Code page 866 keeps the Cyrillic letters in three runs: 0x80-0xAF holds
// U+0410-U+043F, 0xE0-0xEF holds U+0440-U+044F, 0xF0/0xF1 hold Yo and yo.
unsigned Cp866Code(unsigned char b) {
    if (b < 0x80) return b;
    if (b <= 0xAF) return 0x0410 + (b - 0x80);
    if (b >= 0xE0 && b <= 0xEF) return 0x0440 + (b - 0xE0);
    if (b == 0xF0) return 0x0401;
    if (b == 0xF1) return 0x0451;
    return 0xFFFD;
}

}  // namespace

std::string Cp866ToUtf8(const std::string& bytes) {
    std::string out;
    for (char c : bytes) AppendUtf8(Cp866Code(static_cast<unsigned char>(c)), &out);
    return out;
}
