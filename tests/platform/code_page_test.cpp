// MultiByteToWideChar / WideCharToMultiByte: the OEM tables both ways, the
// default character, and Win32's rules for lengths and short buffers.
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <ostream>

#include <gtest/gtest.h>

#include "vbwin32.h"
#include "wine_check.h"

#ifndef _WIN32
#include "vbplatform_testing.h"
#endif

namespace {

using Wide = std::basic_string<WCHAR>;

Wide Decode(UINT codePage, const std::string& bytes) {
    int size = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    Wide text(static_cast<std::size_t>(size), 0);
    if (size > 0) MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], size);
    return text;
}

std::string Encode(UINT codePage, const Wide& text, BOOL* usedDefault = nullptr, const char* defaultChar = nullptr) {
    int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, defaultChar,
                                   usedDefault);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (size > 0) {
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size, defaultChar,
                            usedDefault);
    }
    return bytes;
}

struct CharCase {
    UINT codePage;
    unsigned char byte;
    char16_t character;
};

void PrintTo(const CharCase& c, std::ostream* out) { *out << "cp" << c.codePage << " byte " << std::hex << unsigned(c.byte) << " U+" << unsigned(c.character); }


class CodePageCharTest : public ::testing::TestWithParam<CharCase> {};

TEST_P(CodePageCharTest, ByteAndCharacterMapBothWays) {
    const CharCase& c = GetParam();
    EXPECT_EQ(Wide(1, static_cast<WCHAR>(c.character)), Decode(c.codePage, std::string(1, char(c.byte))));
    BOOL usedDefault = TRUE;
    EXPECT_EQ(std::string(1, char(c.byte)), Encode(c.codePage, Wide(1, static_cast<WCHAR>(c.character)), &usedDefault));
    EXPECT_FALSE(usedDefault);
}

INSTANTIATE_TEST_SUITE_P(
    Cp437, CodePageCharTest,
    ::testing::Values(CharCase{437, 0x41, u'A'}, CharCase{437, 0x80, 0x00C7}, CharCase{437, 0x81, 0x00FC},
                      CharCase{437, 0x9B, 0x00A2}, CharCase{437, 0x9E, 0x20A7}, CharCase{437, 0x9F, 0x0192},
                      CharCase{437, 0xA8, 0x00BF}, CharCase{437, 0xA9, 0x2310}, CharCase{437, 0xB0, 0x2591},
                      CharCase{437, 0xB3, 0x2502}, CharCase{437, 0xBA, 0x2551}, CharCase{437, 0xBF, 0x2510},
                      CharCase{437, 0xC4, 0x2500}, CharCase{437, 0xC9, 0x2554}, CharCase{437, 0xCD, 0x2550},
                      CharCase{437, 0xD9, 0x2518}, CharCase{437, 0xDB, 0x2588}, CharCase{437, 0xDF, 0x2580},
                      CharCase{437, 0xE0, 0x03B1}, CharCase{437, 0xE1, 0x00DF}, CharCase{437, 0xEC, 0x221E},
                      CharCase{437, 0xF0, 0x2261}, CharCase{437, 0xF8, 0x00B0}, CharCase{437, 0xFE, 0x25A0},
                      CharCase{437, 0xFF, 0x00A0}));

INSTANTIATE_TEST_SUITE_P(
    Cp866, CodePageCharTest,
    ::testing::Values(CharCase{866, 0x80, 0x0410}, CharCase{866, 0x8F, 0x041F}, CharCase{866, 0x9F, 0x042F},
                      CharCase{866, 0xA0, 0x0430}, CharCase{866, 0xAF, 0x043F}, CharCase{866, 0xE0, 0x0440},
                      CharCase{866, 0xEF, 0x044F}, CharCase{866, 0xF0, 0x0401}, CharCase{866, 0xF1, 0x0451},
                      CharCase{866, 0xF2, 0x0404}, CharCase{866, 0xF7, 0x045E}, CharCase{866, 0xB0, 0x2591},
                      CharCase{866, 0xC9, 0x2554}, CharCase{866, 0xCD, 0x2550}, CharCase{866, 0xDB, 0x2588},
                      CharCase{866, 0xDF, 0x2580}, CharCase{866, 0xFC, 0x2116}, CharCase{866, 0xFD, 0x00A4},
                      CharCase{866, 0xFF, 0x00A0}));

class WholeCodePageTest : public ::testing::TestWithParam<UINT> {};

// Every byte decodes to a different character that encodes back to it: a
// slip in a table shows up as a duplicate or a byte that does not return.
TEST_P(WholeCodePageTest, AllBytesRoundTripThroughDistinctCharacters) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    Wide decoded = Decode(GetParam(), all);
    ASSERT_EQ(all.size(), decoded.size());
    EXPECT_EQ(decoded.size(), std::set<WCHAR>(decoded.begin(), decoded.end()).size());
    BOOL usedDefault = TRUE;
    EXPECT_EQ(all, Encode(GetParam(), decoded, &usedDefault));
    EXPECT_FALSE(usedDefault);
}

INSTANTIATE_TEST_SUITE_P(SingleBytePages, WholeCodePageTest, ::testing::Values(437u, 866u, 1252u));

TEST(CodePageTest, MissingCharactersBecomeTheDefaultCharacter) {
    BOOL usedDefault = FALSE;
    EXPECT_EQ("a?b", Encode(437, Wide{u'a', 0x0416, u'b'}, &usedDefault));  // Cyrillic Zhe
    EXPECT_TRUE(usedDefault);
    EXPECT_EQ("?", Encode(866, Wide{0x20AC}, &usedDefault));  // euro sign
    EXPECT_TRUE(usedDefault);
    EXPECT_EQ("#x", Encode(866, Wide{0x00DF, u'x'}, &usedDefault, "#"));
    EXPECT_TRUE(usedDefault);
    EXPECT_EQ("A??B", Encode(437, Wide{u'A', 0xD83D, 0xDE00, u'B'}, &usedDefault))
        << "each half of a surrogate pair is a character the page lacks";
    EXPECT_EQ("A?B", Encode(866, Wide{u'A', 0xD83D, u'B'}, &usedDefault)) << "a lone surrogate";
    EXPECT_EQ("x", Encode(437, Wide{u'x'}, &usedDefault));
    EXPECT_FALSE(usedDefault);
}

TEST(CodePageTest, Utf8BothWaysIncludingSupplementaryCharacters) {
    const std::string utf8 = "\xD0\x9F\xD1\x80\xD0\xB8 \xE2\x95\x94 \xF0\x9F\x98\x80";  // "При ╔ 😀"
    const Wide utf16 = {0x041F, 0x0440, 0x0438, u' ', 0x2554, u' ', 0xD83D, 0xDE00};
    EXPECT_EQ(utf16, Decode(CP_UTF8, utf8));
    EXPECT_EQ(utf8, Encode(CP_UTF8, utf16));
}

TEST(CodePageTest, Utf8RefusesDefaultCharacterArguments) {
#ifdef _WIN32
    if (vbtest::UnderWine()) {
        GTEST_SKIP() << "Wine accepts the default-character arguments with CP_UTF8, which Windows refuses "
                        "with ERROR_INVALID_PARAMETER";
    }
#endif
    const WCHAR text[] = {u'a'};
    char out[4];
    BOOL usedDefault = FALSE;
    SetLastError(0);
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, text, 1, out, 4, nullptr, &usedDefault));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST(CodePageTest, InvalidUtf8IsReplacedOrRefusedOnRequest) {
    const char bad[] = {'a', char(0xC3), 'b'};
    EXPECT_EQ((Wide{u'a', 0xFFFD, u'b'}), Decode(CP_UTF8, std::string(bad, 3)));
    WCHAR out[8];
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bad, 3, out, 8));
    EXPECT_EQ(DWORD(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
}

TEST(CodePageTest, MinusOneLengthConvertsAndCountsTheTerminator) {
    WCHAR wide[8];
    EXPECT_EQ(4, MultiByteToWideChar(437, 0, "ab\x80", -1, nullptr, 0));
    ASSERT_EQ(4, MultiByteToWideChar(437, 0, "ab\x80", -1, wide, 8));
    EXPECT_EQ((Wide{u'a', u'b', 0x00C7, 0}), Wide(wide, 4));

    const WCHAR source[] = {0x0410, u'z', 0};
    char narrow[8];
    EXPECT_EQ(3, WideCharToMultiByte(866, 0, source, -1, nullptr, 0, nullptr, nullptr));
    ASSERT_EQ(3, WideCharToMultiByte(866, 0, source, -1, narrow, 8, nullptr, nullptr));
    EXPECT_EQ(std::string("\x80z", 3), std::string(narrow, 3));
}

TEST(CodePageTest, ShortTargetFailsWithInsufficientBuffer) {
    WCHAR wide[3];
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(437, 0, "abcd", 4, wide, 3));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(437, 0, "abc", -1, wide, 3)) << "no room for the terminator";
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());

    const WCHAR source[] = {u'a', u'b', u'c', 0};
    char narrow[3];
    SetLastError(0);
    EXPECT_EQ(0, WideCharToMultiByte(437, 0, source, -1, narrow, 3, nullptr, nullptr));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(3, WideCharToMultiByte(437, 0, source, 3, narrow, 3, nullptr, nullptr)) << "exact fit";
}

TEST(CodePageTest, BadArgumentsGiveInvalidParameter) {
    WCHAR wide[4];
    char narrow[4];
    const WCHAR source[] = {u'a'};
    struct Call {
        const char* what;
        std::function<int()> run;
    };
    const Call calls[] = {
        {"empty source", [&] { return MultiByteToWideChar(437, 0, "a", 0, wide, 4); }},
        {"unknown page", [&] { return MultiByteToWideChar(4242, 0, "a", 1, wide, 4); }},
        {"negative target", [&] { return MultiByteToWideChar(437, 0, "a", 1, wide, -1); }},
        {"wide empty source", [&] { return WideCharToMultiByte(437, 0, source, 0, narrow, 4, nullptr, nullptr); }},
        {"wide unknown page", [&] { return WideCharToMultiByte(4242, 0, source, 1, narrow, 4, nullptr, nullptr); }},
    };
    for (const Call& call : calls) {
        SetLastError(0);
        EXPECT_EQ(0, call.run()) << call.what;
        EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError()) << call.what;
    }
}

#ifndef _WIN32
TEST(OemCodePageTest, OemPageIsSelectableAndFollowedByCpOemcp) {
    unsigned saved = vbplatform::OemCodePage();
    vbplatform::SetOemCodePage(866);
    EXPECT_EQ(866u, GetOEMCP());
    EXPECT_EQ(Wide{0x0410}, Decode(CP_OEMCP, "\x80"));
    EXPECT_EQ("\xD0\x90", vbplatform::OemToUtf8("\x80"));
    EXPECT_EQ("\x80?", vbplatform::Utf8ToOem("\xD0\x90\xC3\x87"));  // "АÇ"
    vbplatform::SetOemCodePage(437);
    EXPECT_EQ(Wide{0x00C7}, Decode(CP_OEMCP, "\x80"));
    EXPECT_EQ("\xC3\x87", vbplatform::OemToUtf8("\x80"));
    vbplatform::SetOemCodePage(1251);  // not an OEM page: ignored
    EXPECT_EQ(437u, vbplatform::OemCodePage());
    vbplatform::SetOemCodePage(saved);
}

TEST(OemCodePageTest, AnsiPageIsWindowsLatin1) {
    EXPECT_EQ(1252u, GetACP());
    EXPECT_EQ(Wide{0x20AC}, Decode(CP_ACP, "\x80"));
    EXPECT_EQ(Wide{0x00E9}, Decode(CP_ACP, "\xE9"));
}
#endif

}  // namespace
