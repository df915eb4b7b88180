#include "lng_reader.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string TrimBlanks(const std::string& s) {
    size_t begin = 0, end = s.size();
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

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

char EscapedChar(char c, bool* known) {
    *known = true;
    switch (c) {
    case '\\': return '\\';
    case '"': return '"';
    case 'n': return '\n';
    case 'r': return '\r';
    case 'b': return '\b';
    case 't': return '\t';
    default: *known = false; return c;
    }
}

}  // namespace

std::string UnescapeLngText(const std::string& body, bool* unknownEscape) {
    std::string out;
    *unknownEscape = false;
    for (size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (c == '\\' && i + 1 < body.size()) {
            bool known = false;
            char e = EscapedChar(body[++i], &known);
            if (!known) {
                *unknownEscape = true;
                out += '\\';
            }
            out += e;
        } else if (c == '"' && i + 1 < body.size() && body[i + 1] == '"') {
            out += '"';
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

LngFile ParseLng(const std::string& bytes) {
    LngFile file;
    file.lines = SplitLines(bytes);
    for (size_t i = 0; i < file.lines.size(); ++i) {
        std::string line = TrimBlanks(file.lines[i]);
        if (line.empty() || line[0] != '"') continue;
        LngMessage msg;
        msg.line = static_cast<int>(i + 1);
        std::string body = line.substr(1);
        // The opening quote alone is an empty, unclosed message.
        msg.closed = !body.empty() && body.back() == '"';
        if (msg.closed) body.pop_back();
        msg.text = UnescapeLngText(body, &msg.unknownEscape);
        file.messages.push_back(msg);
    }
    return file;
}
