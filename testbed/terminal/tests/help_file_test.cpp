#include "help_file.h"

#include <gtest/gtest.h>

namespace vbterm {
namespace {

TEST(ParseHelpLine, MarkupBecomesSpans) {
    HelpLine line = ParseHelpLine("Press #Esc# or see ~the settings~@Config@ now");
    ASSERT_EQ(line.spans.size(), 5u);
    EXPECT_EQ(line.spans[0].text, "Press ");
    EXPECT_EQ(line.spans[1].kind, HelpSpan::Highlight);
    EXPECT_EQ(line.spans[1].text, "Esc");
    EXPECT_EQ(line.spans[3].kind, HelpSpan::Link);
    EXPECT_EQ(line.spans[3].text, "the settings");
    EXPECT_EQ(line.spans[3].target, "Config");
    EXPECT_EQ(line.Text(), "Press Esc or see the settings now");
}

TEST(ParseHelpLine, DoubledMarkersStandForThemselves) {
    EXPECT_EQ(ParseHelpLine("a ## b ~~ c @@ d").Text(), "a # b ~ c @ d");
    HelpLine line = ParseHelpLine("~a~~b~@T@");
    ASSERT_EQ(line.spans.size(), 1u);
    EXPECT_EQ(line.spans[0].text, "a~b");
}

TEST(ParseHelpLine, ATildeWithoutATargetIsText) {
    EXPECT_EQ(ParseHelpLine("~home is here").Text(), "~home is here");
}

TEST(HelpFile, TopicsHeadersAndLanguage) {
    HelpFile file;
    file.Parse(".Language=English,English\r\n.PluginContents=Demo\r\n\r\n@Contents\r\n$^#Title#\r\n"
               "   Text with a ~link~@Other@.\r\n\r\n@Other\r\nMore text.\r\n\r\n");
    EXPECT_EQ(file.Language(), "English");
    EXPECT_EQ(file.Title(), "Demo");
    ASSERT_EQ(file.Topics().size(), 2u);
    const HelpTopic* contents = file.Find("contents");
    ASSERT_NE(contents, nullptr);
    ASSERT_EQ(contents->lines.size(), 2u);
    EXPECT_TRUE(contents->lines[0].header);
    EXPECT_TRUE(contents->lines[0].centred);
    EXPECT_EQ(contents->lines[0].Text(), "Title");
    EXPECT_FALSE(contents->lines[1].header);
    EXPECT_EQ(file.Find("Other")->lines.size(), 1u) << "trailing blank lines belong to no topic";
    EXPECT_EQ(file.Find("Missing"), nullptr);
}

TEST(HelpFile, TheModulesHelpNamesEveryLinkedTopic) {
    HelpFile file;
    ASSERT_TRUE(file.Load(VB_HELP_FILE));
    ASSERT_NE(file.Find("Contents"), nullptr);
    ASSERT_NE(file.Find("Config"), nullptr);
    int links = 0;
    for (const HelpTopic& topic : file.Topics()) {
        for (const HelpLine& line : topic.lines) {
            for (const HelpSpan& span : line.spans) {
                if (span.kind != HelpSpan::Link) continue;
                ++links;
                EXPECT_NE(file.Find(span.target), nullptr) << span.target;
            }
        }
    }
    EXPECT_GT(links, 5);
}

}  // namespace
}  // namespace vbterm
