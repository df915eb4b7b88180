#include "device_text.h"

#include <vector>

namespace vbdevice {

namespace {

// Latin Extended-A pairs the capital and small letter as (even, odd), except
// in two runs where the capital is odd.
unsigned FoldLatinExtendedA(unsigned u) {
    if (u == 0x130 || u == 0x131 || u == 0x138 || u == 0x149 || u == 0x178 || u == 0x17F) {
        return u;
    }
    bool oddCapitals = (u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E);
    if (oddCapitals) return (u & 1u) ? u : u - 1;
    return (u & 1u) ? u - 1 : u;
}

unsigned FoldUnit(unsigned u) {
    if (u < 0x80) return (u >= 'a' && u <= 'z') ? u - 0x20 : u;
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return u - 0x20;
    if (u == 0xFF) return 0x178;
    if (u >= 0x100 && u <= 0x17F) return FoldLatinExtendedA(u);
    if (u >= 0x3B1 && u <= 0x3CB && u != 0x3C2) return u - 0x20;
    if (u == 0x3C2) return 0x3A3;  // final sigma
    if (u >= 0x430 && u <= 0x44F) return u - 0x20;
    if (u >= 0x450 && u <= 0x45F) return u - 0x50;
    if ((u >= 0x460 && u <= 0x481) || (u >= 0x48A && u <= 0x4BF)) return u & ~1u;
    if (u >= 0xFF41 && u <= 0xFF5A) return u - 0x20;  // full-width Latin
    return u;
}

bool IsMatchAll(const DeviceString& pattern) {
    static const WCHAR kStar[] = {'*', 0};
    static const WCHAR kStarDotStar[] = {'*', '.', '*', 0};
    return pattern == kStar || pattern == kStarDotStar;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(DeviceString& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<WCHAR>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<WCHAR>(0xD800 + (cp >> 10));
        out += static_cast<WCHAR>(0xDC00 + (cp & 0x3FF));
    }
}

bool IsHighSurrogate(unsigned u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(unsigned u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

WCHAR FoldCase(WCHAR unit) {
    return static_cast<WCHAR>(FoldUnit(static_cast<unsigned>(unit) & 0xFFFFu));
}

bool EqualNoCase(const DeviceString& a, const DeviceString& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

int CompareNames(const DeviceString& a, const DeviceString& b) {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        unsigned fa = FoldCase(a[i]);
        unsigned fb = FoldCase(b[i]);
        if (fa != fb) return fa < fb ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

bool HasWildcards(const DeviceString& name) {
    return name.find_first_of(DeviceString{'*', '?'}) != DeviceString::npos;
}

bool MatchesPattern(const DeviceString& pattern, const DeviceString& name) {
    if (IsMatchAll(pattern)) return true;
    // Greedy matching with one backtrack point: the last '*' seen.
    std::size_t p = 0, n = 0, starAt = DeviceString::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != DeviceString::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool IsWellFormedUtf16(const DeviceString& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned u = text[i];
        if (IsHighSurrogate(u)) {
            if (i + 1 >= text.size() || !IsLowSurrogate(text[i + 1])) return false;
            ++i;
        } else if (IsLowSurrogate(u)) {
            return false;
        }
    }
    return true;
}

std::string ToUtf8(const DeviceString& text) {
    std::string out;
    ToUtf8(text.data(), text.size(), &out);
    return out;
}

void ToUtf8(const WCHAR* text, std::size_t length, std::string* result) {
    std::string& out = *result;
    out.clear();
    for (std::size_t i = 0; i < length; ++i) {
        char32_t u = static_cast<char32_t>(text[i]) & 0xFFFFu;
        if (IsHighSurrogate(u) && i + 1 < length && IsLowSurrogate(text[i + 1])) {
            u = 0x10000 + ((u - 0xD800) << 10) + ((static_cast<char32_t>(text[i + 1]) & 0xFFFFu) - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            u = 0xFFFD;
        }
        AppendUtf8(out, u);
    }
}

DeviceString FromUtf8(const char* text, std::size_t length) {
    DeviceString out;
    FromUtf8(text, length, &out);
    return out;
}

void FromUtf8(const char* text, std::size_t length, DeviceString* result) {
    DeviceString& out = *result;
    out.clear();
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    std::size_t i = 0;
    while (i < length) {
        unsigned char b = s[i];
        char32_t cp;
        std::size_t extra;
        if (b < 0x80) {
            out += static_cast<WCHAR>(b);
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            extra = 3;
        } else {
            out += static_cast<WCHAR>(0xFFFD);
            ++i;
            continue;
        }
        bool valid = true;
        for (std::size_t k = 1; valid && k <= extra; ++k) {
            if (i + k >= length || (s[i + k] & 0xC0) != 0x80) valid = false;
            else cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        static const char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        if (!valid || cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += static_cast<WCHAR>(0xFFFD);
            ++i;
            continue;
        }
        AppendUtf16(out, cp);
        i += extra + 1;
    }
}

std::size_t BoundedLength(const WCHAR* text, std::size_t limit) {
    std::size_t n = 0;
    while (n <= limit && text[n] != 0) ++n;
    return n;
}

}  // namespace vbdevice
