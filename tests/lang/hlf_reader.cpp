#include "hlf_reader.h"

namespace {

std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t nl = bytes.find('\n', start);
        if (nl == std::string::npos) nl = bytes.size();
        std::string line = bytes.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = nl + 1;
    }
    return lines;
}

bool IsTopicLine(const std::string& line) {
    return line.size() > 1 && line[0] == '@' && line[1] != '@';
}

bool IsDoubled(const std::string& s, size_t i) {
    return i + 1 < s.size() && s[i + 1] == s[i];
}

std::string Where(int line) { return "line " + std::to_string(line) + ": "; }

// Resolves one body line into plain text, collecting its links and markup errors.
std::string ResolveMarkup(std::string line, int lineNo, HlfTopic* topic,
                          std::vector<std::string>* errors) {
    // Fixed-header and centring marks at the start of a line.
    if (!line.empty() && line[0] == '$') line.erase(0, 1);
    if (!line.empty() && line[0] == '^') line.erase(0, 1);

    std::string plain;
    bool highlighted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if ((c == '~' || c == '#' || c == '@') && IsDoubled(line, i)) {
            plain += c;
            ++i;
        } else if (c == '#') {
            highlighted = !highlighted;
        } else if (c == '~') {
            size_t textEnd = line.find('~', i + 1);
            if (textEnd == std::string::npos || textEnd + 1 >= line.size() ||
                line[textEnd + 1] != '@') {
                errors->push_back(Where(lineNo) + "a '~' that starts no link");
                continue;
            }
            size_t targetEnd = line.find('@', textEnd + 2);
            if (targetEnd == std::string::npos) {
                errors->push_back(Where(lineNo) + "a link target without its closing '@'");
                break;
            }
            HlfLink link{line.substr(i + 1, textEnd - i - 1),
                         line.substr(textEnd + 2, targetEnd - textEnd - 2), lineNo};
            if (link.text.empty() || link.target.empty())
                errors->push_back(Where(lineNo) + "a link with an empty text or target");
            plain += link.text;
            topic->links.push_back(link);
            i = targetEnd;
        } else if (c == '@') {
            errors->push_back(Where(lineNo) + "a single '@' outside a link");
        } else {
            plain += c;
        }
    }
    if (highlighted) errors->push_back(Where(lineNo) + "a '#' highlight left open");
    return plain;
}

}  // namespace

HlfFile ParseHlf(const std::string& bytes) {
    HlfFile file;
    std::vector<std::string> lines = SplitLines(bytes);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        int lineNo = static_cast<int>(i + 1);
        if (IsTopicLine(line)) {
            HlfTopic topic;
            topic.name = line.substr(1);
            topic.line = lineNo;
            file.topics.push_back(topic);
        } else if (file.topics.empty()) {
            file.header.push_back(line);
        } else {
            HlfTopic& topic = file.topics.back();
            topic.plain.push_back(ResolveMarkup(line, lineNo, &topic, &file.errors));
        }
    }
    return file;
}

const HlfTopic* FindTopic(const HlfFile& file, const std::string& name) {
    for (const HlfTopic& topic : file.topics)
        if (topic.name == name) return &topic;
    return nullptr;
}

std::string FlowText(const HlfTopic& topic) {
    std::string flow;
    for (const std::string& line : topic.plain) {
        for (char c : line) {
            bool blank = c == ' ' || c == '\t';
            if (blank) {
                if (!flow.empty() && flow.back() != ' ') flow += ' ';
            } else {
                flow += c;
            }
        }
        if (!flow.empty() && flow.back() != ' ') flow += ' ';
    }
    return flow;
}
