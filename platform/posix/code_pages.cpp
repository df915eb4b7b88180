// MultiByteToWideChar / WideCharToMultiByte over the OEM pages 437 and 866,
// the ANSI page and UTF-8.
//
// CP_ACP is Windows Latin 1 (1252), the ANSI page of the Windows versions
// whose OEM page is 437; it does not follow the OEM page when that is 866.
// Characters a single-byte page lacks become the default character: there
// is no "best fit" to a similar letter.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "code_page_tables.h"
#include "unicode_text.h"
#include "vbplatform_testing.h"
#include "vbwin32.h"

namespace vbplatform::detail {
namespace {

constexpr unsigned kAnsiCodePage = 1252;
constexpr char16_t kReplacement = 0xFFFD;

unsigned OemPageFromEnvironment() {
    const char* value = std::getenv("VANTELBROOK_OEMCP");
    return value != nullptr && std::strcmp(value, "866") == 0 ? 866 : 437;
}

std::atomic<unsigned>& OemPage() {
    static std::atomic<unsigned> page{OemPageFromEnvironment()};
    return page;
}

// Reads the environment when the library loads, not at the first call.
const unsigned kOemPageAtLoad = OemPage().load();

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

// Length of a well-formed UTF-8 sequence starting at text[i], or 0.
std::size_t WellFormedUtf8Length(const std::string& text, std::size_t i, char32_t* decoded) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    std::size_t length;
    char32_t c;
    char32_t minimum;
    if (lead < 0x80) {
        *decoded = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    *decoded = c;
    return length;
}

}  // namespace

std::u16string Utf8ToUtf16(const std::string& utf8, bool* invalid) {
    std::u16string out;
    bool sawInvalid = false;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c = 0;
        std::size_t length = WellFormedUtf8Length(utf8, i, &c);
        if (length == 0) {
            sawInvalid = true;
            out += kReplacement;
            ++i;
        } else {
            AppendUtf16(out, c);
            i += length;
        }
    }
    if (invalid != nullptr) *invalid = sawInvalid;
    return out;
}

std::string Utf16ToUtf8(const std::u16string& utf16) {
    std::string out;
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (IsHighSurrogate(c) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

namespace {

// The numbered single-byte page a code-page argument stands for, 0 for
// UTF-8, or -1 when the subset does not know it.
long ResolveCodePage(UINT codePage) {
    switch (codePage) {
    case CP_ACP: return kAnsiCodePage;
    case CP_OEMCP: return OemPage().load();
    case CP_UTF8: return 0;
    default: return UpperHalfOf(codePage) != nullptr ? static_cast<long>(codePage) : -1;
    }
}

std::u16string DecodeSingleByte(const char16_t* upperHalf, const std::string& bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (unsigned char byte : bytes) out += byte < 0x80 ? char16_t(byte) : upperHalf[byte - 0x80];
    return out;
}

bool EncodeSingleByteChar(const char16_t* upperHalf, char16_t c, char* out) {
    if (c < 0x80) {
        *out = static_cast<char>(c);
        return true;
    }
    for (int i = 0; i < 128; ++i) {
        if (upperHalf[i] == c) {
            *out = static_cast<char>(0x80 + i);
            return true;
        }
    }
    return false;
}

std::string EncodeSingleByte(const char16_t* upperHalf, const std::u16string& text, char defaultChar,
                             bool* usedDefault) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char byte;
        if (EncodeSingleByteChar(upperHalf, text[i], &byte)) {
            out += byte;
            continue;
        }
        // Windows converts unit by unit: each half of a surrogate pair gets a
        // default character of its own.
        out += defaultChar;
        *usedDefault = true;
    }
    return out;
}

// Win32's output rule: a zero size asks for the length; a short buffer gets
// what fits and the call fails with ERROR_INSUFFICIENT_BUFFER.
template <class Char, class String>
int DeliverConverted(const String& converted, Char* target, int targetLength) {
    if (converted.size() > static_cast<std::size_t>(INT32_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int needed = static_cast<int>(converted.size());
    if (targetLength == 0) return needed;
    if (needed > targetLength) {
        std::memcpy(target, converted.data(), sizeof(Char) * static_cast<std::size_t>(targetLength));
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(target, converted.data(), sizeof(Char) * converted.size());
    return needed;
}

template <class Char>
std::size_t LengthOfSource(const Char* source, int sourceLength) {
    if (sourceLength >= 0) return static_cast<std::size_t>(sourceLength);
    std::size_t length = 0;
    while (source[length] != 0) ++length;
    return length + 1;  // the terminator is converted and counted
}

}  // namespace
}  // namespace vbplatform::detail

using namespace vbplatform::detail;

extern "C" UINT GetOEMCP(void) { return OemPage().load(); }

extern "C" UINT GetACP(void) { return kAnsiCodePage; }

extern "C" int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength,
                                   LPWSTR target, int targetLength) {
    if (source == nullptr || sourceLength == 0 || sourceLength < -1 || targetLength < 0 ||
        (target == nullptr && targetLength != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    long page = ResolveCodePage(codePage);
    if (page < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string bytes(source, LengthOfSource(source, sourceLength));
    std::u16string converted;
    if (page == 0) {
        bool invalid = false;
        converted = Utf8ToUtf16(bytes, &invalid);
        if (invalid && (flags & MB_ERR_INVALID_CHARS) != 0) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
    } else {
        converted = DecodeSingleByte(UpperHalfOf(static_cast<unsigned>(page)), bytes);
    }
    return DeliverConverted(converted, target, targetLength);
}

extern "C" int WideCharToMultiByte(UINT codePage, DWORD /*flags*/, LPCWSTR source, int sourceLength,
                                   LPSTR target, int targetLength, LPCSTR defaultChar,
                                   LPBOOL usedDefaultChar) {
    if (source == nullptr || sourceLength == 0 || sourceLength < -1 || targetLength < 0 ||
        (target == nullptr && targetLength != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    long page = ResolveCodePage(codePage);
    // UTF-8 can express every character: Windows refuses the default-character
    // arguments for it.
    if (page < 0 || (page == 0 && (defaultChar != nullptr || usedDefaultChar != nullptr))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string text(source, LengthOfSource(source, sourceLength));
    std::string converted;
    bool usedDefault = false;
    if (page == 0) {
        converted = Utf16ToUtf8(text);
    } else {
        char fallback = defaultChar != nullptr ? defaultChar[0] : '?';
        converted = EncodeSingleByte(UpperHalfOf(static_cast<unsigned>(page)), text, fallback,
                                     &usedDefault);
    }
    if (usedDefaultChar != nullptr) *usedDefaultChar = usedDefault ? TRUE : FALSE;
    return DeliverConverted(converted, target, targetLength);
}

namespace vbplatform {

void SetOemCodePage(unsigned codePage) {
    if (codePage == 437 || codePage == 866) OemPage().store(codePage);
}

unsigned OemCodePage() { return OemPage().load(); }

std::string OemToUtf8(const std::string& oem) {
    return detail::Utf16ToUtf8(DecodeSingleByte(UpperHalfOf(OemCodePage()), oem));
}

std::string Utf8ToOem(const std::string& utf8) {
    bool usedDefault = false;
    return EncodeSingleByte(UpperHalfOf(OemCodePage()), detail::Utf8ToUtf16(utf8), '?', &usedDefault);
}

}  // namespace vbplatform
