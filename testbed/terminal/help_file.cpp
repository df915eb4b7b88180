#include "help_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vbterm {

std::string HelpLine::Text() const {
    std::string text;
    for (const HelpSpan& span : spans) text += span.text;
    return text;
}

static void AddSpan(HelpLine& line, HelpSpan::Kind kind, std::string& text, const std::string& target = {}) {
    if (text.empty() && kind != HelpSpan::Link) return;
    HelpSpan span;
    span.kind = kind;
    span.text = text;
    span.target = target;
    line.spans.push_back(span);
    text.clear();
}

// A doubled marker stands for itself.
static bool Doubled(const std::string& text, size_t i) { return i + 1 < text.size() && text[i + 1] == text[i]; }

HelpLine ParseHelpLine(const std::string& text) {
    HelpLine line;
    std::string pending;
    bool highlight = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if ((c == '#' || c == '~' || c == '@') && Doubled(text, i)) {
            pending += c;
            ++i;
            continue;
        }
        if (c == '#') {
            AddSpan(line, highlight ? HelpSpan::Highlight : HelpSpan::Plain, pending);
            highlight = !highlight;
            continue;
        }
        if (c == '~') {
            size_t close = i + 1;
            std::string label;
            while (close < text.size() && !(text[close] == '~' && !Doubled(text, close))) {
                if (text[close] == '~') ++close;
                label += text[close++];
            }
            size_t at = close + 1;
            if (close >= text.size() || at >= text.size() || text[at] != '@') {
                pending += c;  // not a link after all
                continue;
            }
            size_t end = text.find('@', at + 1);
            if (end == std::string::npos) {
                pending += c;
                continue;
            }
            AddSpan(line, highlight ? HelpSpan::Highlight : HelpSpan::Plain, pending);
            AddSpan(line, HelpSpan::Link, label, text.substr(at + 1, end - at - 1));
            i = end;
            continue;
        }
        pending += c;
    }
    AddSpan(line, highlight ? HelpSpan::Highlight : HelpSpan::Plain, pending);
    return line;
}

static bool SameTopic(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

void HelpFile::Parse(const std::string& bytes) {
    topics_.clear();
    std::istringstream in(bytes);
    std::string text;
    bool inHeader = false;
    while (std::getline(in, text)) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.size() > 1 && text[0] == '@' && text[1] != '@') {
            topics_.push_back(HelpTopic{text.substr(1), {}});
            inHeader = true;
            continue;
        }
        if (topics_.empty()) {
            if (text.rfind(".Language=", 0) == 0) language_ = text.substr(10, text.find(',') - 10);
            if (text.rfind(".PluginContents=", 0) == 0) title_ = text.substr(16);
            continue;
        }
        bool header = inHeader && !text.empty() && text[0] == '$';
        if (header) text.erase(0, 1);
        else inHeader = false;
        bool centred = !text.empty() && text[0] == '^';
        if (centred) text.erase(0, 1);
        HelpLine line = ParseHelpLine(text);
        line.header = header;
        line.centred = centred;
        topics_.back().lines.push_back(line);
    }
    // The blank lines between topics belong to none of them.
    for (HelpTopic& topic : topics_)
        while (!topic.lines.empty() && topic.lines.back().spans.empty()) topic.lines.pop_back();
}

bool HelpFile::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream bytes;
    bytes << in.rdbuf();
    Parse(bytes.str());
    return true;
}

const HelpTopic* HelpFile::Find(const std::string& name) const {
    for (const HelpTopic& topic : topics_)
        if (SameTopic(topic.name, name)) return &topic;
    return nullptr;
}

std::string FindHelpFile(const std::string& folder, const std::string& language) {
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
        if (entry.path().extension() == ".hlf") found.push_back(entry.path().string());
    std::sort(found.begin(), found.end());
    for (const std::string& path : found) {
        HelpFile file;
        if (file.Load(path) && SameTopic(file.Language(), language)) return path;
    }
    return found.empty() ? std::string() : found.front();
}

}  // namespace vbterm
