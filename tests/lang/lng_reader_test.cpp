// The reader must number and decode messages exactly as the host does, or the
// checks of the real files below prove nothing.
#include "lng_reader.h"

#include <gtest/gtest.h>

namespace {

struct UnescapeCase {
    const char* body;
    const char* expected;
    bool unknownEscape;
};

class UnescapeLngTextTest : public ::testing::TestWithParam<UnescapeCase> {};

TEST_P(UnescapeLngTextTest, ResolvesTheHostsEscapes) {
    const UnescapeCase& c = GetParam();
    bool unknown = !c.unknownEscape;
    EXPECT_EQ(UnescapeLngText(c.body, &unknown), c.expected);
    EXPECT_EQ(unknown, c.unknownEscape);
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, UnescapeLngTextTest,
    ::testing::Values(UnescapeCase{"plain text", "plain text", false},
                      UnescapeCase{R"(a\\b)", "a\\b", false},
                      UnescapeCase{R"(say \"hi\")", "say \"hi\"", false},
                      UnescapeCase{R"(say ""hi"")", "say \"hi\"", false},
                      UnescapeCase{R"(1\n2\r3\b4\t5)", "1\n2\r3\b4\t5", false},
                      UnescapeCase{R"(C:\x)", "C:\\x", true},
                      UnescapeCase{R"(end\)", "end\\", false},
                      UnescapeCase{R"(\\n)", "\\n", false},
                      UnescapeCase{"\"\"\"\"", "\"\"", false}));

TEST(ParseLngTest, NumbersQuotedLinesInFileOrderAndIgnoresTheRest) {
    const std::string text =
        ".Language=English,English\r\n"
        "// a comment\r\n"
        "\"zero\"\r\n"
        "\r\n"
        "   \t\"one, indented\"\r\n"
        "not a message \"here\"\r\n"
        "\"two\"";
    LngFile file = ParseLng(text);
    ASSERT_EQ(file.lines.size(), 7u);
    EXPECT_EQ(file.lines[0], ".Language=English,English");
    ASSERT_EQ(file.messages.size(), 3u);
    EXPECT_EQ(file.messages[0].text, "zero");
    EXPECT_EQ(file.messages[0].line, 3);
    EXPECT_EQ(file.messages[1].text, "one, indented");
    EXPECT_EQ(file.messages[1].line, 5);
    EXPECT_EQ(file.messages[2].text, "two");
    EXPECT_EQ(file.messages[2].line, 7);
}

TEST(ParseLngTest, DropsOnlyTheClosingQuoteAndKeepsInnerBlanks) {
    LngFile file = ParseLng("\" KB/s\"\n\"open end\n\"\"\n\"\n\"\"\"\"\n\"tail\"  \n");
    ASSERT_EQ(file.messages.size(), 6u);
    EXPECT_EQ(file.messages[0].text, " KB/s");
    EXPECT_TRUE(file.messages[0].closed);
    EXPECT_EQ(file.messages[1].text, "open end");
    EXPECT_FALSE(file.messages[1].closed);
    EXPECT_EQ(file.messages[2].text, "");
    EXPECT_TRUE(file.messages[2].closed);
    EXPECT_EQ(file.messages[3].text, "");
    EXPECT_FALSE(file.messages[3].closed);
    EXPECT_EQ(file.messages[4].text, "\"");
    EXPECT_EQ(file.messages[5].text, "tail");
    EXPECT_TRUE(file.messages[5].closed);
}

TEST(ParseLngTest, KeepsOemBytesAsTheyStand) {
    LngFile file = ParseLng("\"\x8E\xE8\xA8\xA1\xAA\xA0\"\n");
    ASSERT_EQ(file.messages.size(), 1u);
    EXPECT_EQ(file.messages[0].text, "\x8E\xE8\xA8\xA1\xAA\xA0");
}

}  // namespace
