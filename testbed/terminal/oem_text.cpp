#include "oem_text.h"

#include "vbplatform_testing.h"

namespace vbterm {

std::string ShownText(const std::string& oem) {
    std::string safe = oem;
    for (char& c : safe)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return vbplatform::OemToUtf8(safe);
}

std::string TypedText(const std::string& utf8) { return vbplatform::Utf8ToOem(utf8); }

int Utf8Cells(const std::string& utf8) {
    int cells = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++cells;
    return cells;
}

std::string WithoutHotKey(const std::string& text, int* hotKey) {
    std::string out;
    int marked = -1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            if (text[i + 1] != '&' && marked < 0) marked = static_cast<int>(out.size());
            ++i;
        }
        out += text[i];
    }
    if (hotKey) *hotKey = marked;
    return out;
}

}  // namespace vbterm
