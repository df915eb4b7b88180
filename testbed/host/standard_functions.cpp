#include "standard_functions.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "violations.h"

namespace vbhost {

int __cdecl HostSprintf(char* buffer, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int written = std::vsprintf(buffer, format, args);
    va_end(args);
    return written;
}

int WINAPI HostAtoi(const char* text) { return std::atoi(text); }

// The C runtime's _itoa: radix 10 is signed, other radixes show the bits of
// the value as unsigned.
char* WINAPI HostItoa(int value, char* buffer, int radix) {
    if (radix < 2 || radix > 36) {
        buffer[0] = 0;
        return buffer;
    }
    char digits[40];
    int length = 0;
    bool negative = radix == 10 && value < 0;
    unsigned magnitude = negative ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        unsigned digit = magnitude % static_cast<unsigned>(radix);
        digits[length++] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + digit - 10);
        magnitude /= static_cast<unsigned>(radix);
    } while (magnitude != 0);
    char* out = buffer;
    if (negative) *out++ = '-';
    while (length > 0) *out++ = digits[--length];
    *out = 0;
    return buffer;
}

// Lower case of a UTF-16 unit for the letters of code pages 437 and 866.
static WCHAR UnicodeToLower(WCHAR c) {
    if (c >= u'A' && c <= u'Z') return static_cast<WCHAR>(c + 32);
    if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) return static_cast<WCHAR>(c + 32);
    if (c >= 0x0410 && c <= 0x042F) return static_cast<WCHAR>(c + 32);
    if (c >= 0x0400 && c <= 0x040F) return static_cast<WCHAR>(c + 80);
    return c;
}

unsigned char OemToLower(unsigned char c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
    char in = static_cast<char>(c);
    WCHAR wide = 0;
    if (MultiByteToWideChar(CP_OEMCP, 0, &in, 1, &wide, 1) != 1) return c;
    WCHAR lower = UnicodeToLower(wide);
    if (lower == wide) return c;
    char out = 0;
    BOOL usedDefault = FALSE;
    if (WideCharToMultiByte(CP_OEMCP, 0, &lower, 1, &out, 1, nullptr, &usedDefault) != 1 || usedDefault)
        return c;
    return static_cast<unsigned char>(out);
}

int WINAPI HostLStricmp(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char x = OemToLower(static_cast<unsigned char>(*a));
        unsigned char y = OemToLower(static_cast<unsigned char>(*b));
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}

// Length of a leading "X:\" or "\\server\share\" root, or 0.
static size_t PathRootLength(const char* path) {
    size_t length = std::strlen(path);
    if (length >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) return 3;
    if (length >= 2 && path[0] == '\\' && path[1] == '\\') {
        const char* server_end = std::strchr(path + 2, '\\');
        if (!server_end) return 0;
        const char* share_end = std::strchr(server_end + 1, '\\');
        if (!share_end) return 0;
        return static_cast<size_t>(share_end - path) + 1;
    }
    return 0;
}

char* WINAPI HostTruncPathStr(char* path, int maxLength) {
    if (maxLength < 0) maxLength = 0;
    size_t length = std::strlen(path);
    size_t limit = static_cast<size_t>(maxLength);
    if (length <= limit) return path;
    size_t root = PathRootLength(path);
    if (root != 0 && limit >= 5 && root <= limit - 5) {
        size_t tail = limit - root - 3;
        std::memmove(path + root + 3, path + length - tail, tail + 1);
        std::memcpy(path + root, "...", 3);
        return path;
    }
    if (limit < 3) {
        std::memmove(path, path + length - limit, limit + 1);
        return path;
    }
    size_t tail = limit - 3;
    std::memmove(path + 3, path + length - tail, tail + 1);
    std::memcpy(path, "...", 3);
    return path;
}

BOOL WINAPI HostAddEndSlash(char* path) {
    if (!path) return FALSE;
    size_t slashes = 0, backslashes = 0;
    size_t length = 0;
    for (; path[length]; ++length) {
        if (path[length] == '/') ++slashes;
        if (path[length] == '\\') ++backslashes;
    }
    char slash = slashes > backslashes ? '/' : '\\';
    if (length > 0 && (path[length - 1] == '/' || path[length - 1] == '\\')) {
        path[length - 1] = slash;
        return TRUE;
    }
    path[length] = slash;
    path[length + 1] = 0;
    return TRUE;
}

#define VB_UNUSED_SERVICE(name) \
    static void WINAPI Unused_##name() { ReportViolation("the module called FSF." #name); }
VB_UNUSED_SERVICE(atoi64)
VB_UNUSED_SERVICE(itoa64)
VB_UNUSED_SERVICE(sscanf)
VB_UNUSED_SERVICE(qsort)
VB_UNUSED_SERVICE(bsearch)
VB_UNUSED_SERVICE(qsortex)
VB_UNUSED_SERVICE(LCase)
VB_UNUSED_SERVICE(LStrnicmp)
VB_UNUSED_SERVICE(Strings)
VB_UNUSED_SERVICE(Clipboard)
VB_UNUSED_SERVICE(Keys)
VB_UNUSED_SERVICE(Files)
#undef VB_UNUSED_SERVICE

// The table is 2-byte packed like the host's: its slots are assigned one by
// one, never through pointers to them, which could be misaligned.
void FillStandardFunctions(FarStandardFunctions& fsf) {
    std::memset(&fsf, 0, sizeof fsf);
    fsf.StructSize = sizeof fsf;
    fsf.atoi = HostAtoi;
    fsf.atoi64 = Unused_atoi64;
    fsf.itoa = HostItoa;
    fsf.itoa64 = Unused_itoa64;
    fsf.sprintf = HostSprintf;
    fsf.sscanf = Unused_sscanf;
    fsf.qsort = Unused_qsort;
    fsf.bsearch = Unused_bsearch;
    fsf.qsortex = Unused_qsortex;
    fsf.LIsLower = fsf.LIsUpper = fsf.LIsAlpha = fsf.LIsAlphanum = Unused_LCase;
    fsf.LUpper = fsf.LLower = fsf.LUpperBuf = fsf.LLowerBuf = Unused_LCase;
    fsf.LStrupr = fsf.LStrlwr = Unused_LCase;
    fsf.LStricmp = HostLStricmp;
    fsf.LStrnicmp = Unused_LStrnicmp;
    fsf.Unquote = fsf.ExpandEnvironmentStr = fsf.LTrim = fsf.RTrim = fsf.Trim = Unused_Strings;
    fsf.TruncStr = fsf.QuoteSpaceOnly = fsf.PointToName = fsf.GetPathRoot = Unused_Strings;
    fsf.XLat = Unused_Strings;
    fsf.TruncPathStr = HostTruncPathStr;
    fsf.AddEndSlash = HostAddEndSlash;
    fsf.CopyToClipboard = fsf.PasteFromClipboard = Unused_Clipboard;
    fsf.FarKeyToName = fsf.FarNameToKey = fsf.FarInputRecordToKey = Unused_Keys;
    fsf.GetFileOwner = fsf.GetNumberOfLinks = fsf.FarRecursiveSearch = Unused_Files;
    fsf.MkTemp = fsf.DeleteBuffer = fsf.ProcessName = fsf.MkLink = Unused_Files;
    fsf.ConvertNameToReal = fsf.GetReparsePointInfo = Unused_Files;
}

}  // namespace vbhost
