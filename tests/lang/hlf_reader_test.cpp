// The help reader must find topics, links and broken markup the way the host
// would read them.
#include "hlf_reader.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseHlfTest, SplitsHeaderAndTopicsAndResolvesMarkup) {
    HlfFile file = ParseHlf(
        ".Language=English,English\n"
        ".PluginContents=Demo\n"
        "\n"
        "@Contents\n"
        "$^#Title#\n"
        "   Press #F5# or see ~the settings~@Config@ and ~~, ##, @@.\n"
        "@Config\n"
        "   Two ~links~@Contents@ on ~one~@Config@ line\n");
    EXPECT_TRUE(file.errors.empty()) << file.errors.front();
    ASSERT_EQ(file.header.size(), 3u);
    EXPECT_EQ(file.header[1], ".PluginContents=Demo");
    ASSERT_EQ(file.topics.size(), 2u);

    const HlfTopic* contents = FindTopic(file, "Contents");
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(contents->line, 4);
    ASSERT_EQ(contents->plain.size(), 2u);
    EXPECT_EQ(contents->plain[0], "Title");
    EXPECT_EQ(contents->plain[1], "   Press F5 or see the settings and ~, #, @.");
    ASSERT_EQ(contents->links.size(), 1u);
    EXPECT_EQ(contents->links[0].text, "the settings");
    EXPECT_EQ(contents->links[0].target, "Config");
    EXPECT_EQ(contents->links[0].line, 6);

    const HlfTopic* config = FindTopic(file, "Config");
    ASSERT_NE(config, nullptr);
    ASSERT_EQ(config->links.size(), 2u);
    EXPECT_EQ(config->links[0].target, "Contents");
    EXPECT_EQ(config->links[1].target, "Config");
    EXPECT_EQ(FindTopic(file, "Missing"), nullptr);
}

TEST(ParseHlfTest, FlowTextJoinsWrappedLines) {
    HlfFile file = ParseHlf("@T\n   Seconds to wait\nfor the   #device#\n");
    ASSERT_EQ(file.topics.size(), 1u);
    EXPECT_EQ(FlowText(file.topics[0]), "Seconds to wait for the device ");
}

TEST(ParseHlfTest, ReportsMarkupTheHostWouldMisread) {
    const char* broken[] = {
        "@T\nan #open highlight\n",
        "@T\nmail me@home\n",
        "@T\na lone ~ tilde\n",
        "@T\n~link without target~\n",
        "@T\n~link~@Unclosed\n",
        "@T\n~~@Target@\n",
    };
    for (const char* text : broken) {
        HlfFile file = ParseHlf(text);
        EXPECT_FALSE(file.errors.empty()) << text;
    }
}

}  // namespace
