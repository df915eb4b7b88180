// The shipped help file: the topics the module and the host ask for, links that
// lead somewhere, and a settings topic that covers every setting of the dialog.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "hlf_reader.h"
#include "lng_reader.h"
#include "plugin/messages.h"
#include "project_files.h"

namespace {

class HelpFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ReadFileBytes(LangFilePath("VantelbrookEng.hlf"), &bytes_));
        help_ = ParseHlf(bytes_);
        std::string lng;
        ASSERT_TRUE(ReadFileBytes(LangFilePath("VantelbrookEng.lng"), &lng));
        english_ = ParseLng(lng);
        ASSERT_EQ(english_.messages.size(), static_cast<size_t>(MessageCount));
    }

    // A dialog label as the help names it: without the hint in brackets and
    // without a trailing colon.
    std::string Label(int id) const {
        std::string text = english_.messages[id].text;
        size_t hint = text.find(" (");
        if (hint != std::string::npos) text.erase(hint);
        if (!text.empty() && text.back() == ':') text.pop_back();
        return text;
    }

    // Text of every topic that can be reached from Contents, Contents included.
    std::string ReachableText() const {
        std::string text;
        for (const HlfTopic& topic : help_.topics)
            if (reachable().count(topic.name)) text += FlowText(topic);
        return text;
    }

    std::set<std::string> reachable() const {
        std::set<std::string> seen;
        std::vector<std::string> pending = {"Contents"};
        while (!pending.empty()) {
            std::string name = pending.back();
            pending.pop_back();
            const HlfTopic* topic = FindTopic(help_, name);
            if (!topic || !seen.insert(name).second) continue;
            for (const HlfLink& link : topic->links) pending.push_back(link.target);
        }
        return seen;
    }

    std::string bytes_;
    HlfFile help_;
    LngFile english_;
};

TEST_F(HelpFileTest, HeaderNamesTheLanguageAndTheContentsTitle) {
    ASSERT_GE(help_.header.size(), 2u);
    EXPECT_EQ(help_.header[0], ".Language=English,English");
    bool contentsTitle = false;
    for (const std::string& line : help_.header)
        if (line.rfind(".PluginContents=", 0) == 0 && line.size() > 16) contentsTitle = true;
    EXPECT_TRUE(contentsTitle);
}

TEST_F(HelpFileTest, IsPlainAsciiWithWellFormedMarkup) {
    for (unsigned char c : bytes_) {
        bool allowed = (c >= 0x20 && c < 0x7F) || c == '\n' || c == '\r';
        ASSERT_TRUE(allowed) << "byte 0x" << std::hex << int(c);
    }
    EXPECT_TRUE(help_.errors.empty()) << help_.errors.front();
}

TEST_F(HelpFileTest, TopicsAreUniqueAndEveryLinkLeadsToOne) {
    std::set<std::string> names;
    for (const HlfTopic& topic : help_.topics)
        EXPECT_TRUE(names.insert(topic.name).second) << "topic " << topic.name << " twice";
    EXPECT_TRUE(names.count("Contents"));
    EXPECT_TRUE(names.count("Config")) << "the configuration dialog asks for this topic";
    for (const HlfTopic& topic : help_.topics)
        for (const HlfLink& link : topic.links)
            EXPECT_TRUE(names.count(link.target)) << "line " << link.line << ": no topic " << link.target;
}

TEST_F(HelpFileTest, EveryTopicCanBeReachedFromContents) {
    std::set<std::string> seen = reachable();
    EXPECT_TRUE(seen.count("Config"));
    for (const HlfTopic& topic : help_.topics)
        EXPECT_TRUE(seen.count(topic.name)) << "topic " << topic.name << " has no way in from Contents";
}

TEST_F(HelpFileTest, ConfigTopicExplainsEverySettingOfTheDialog) {
    const HlfTopic* config = FindTopic(help_, "Config");
    ASSERT_NE(config, nullptr);
    std::string text = FlowText(*config);
    const int settings[] = {MConfigAddToDisksMenu, MConfigDisksMenuDigit, MConfigAddToPluginsMenu,
                            MConfigTimeWaitInit,   MConfigCopyBuffer,     MConfigCopyMemory,
                            MConfigCopyKBytes};
    for (int id : settings)
        EXPECT_NE(text.find(Label(id)), std::string::npos) << "the Config topic never names '" << Label(id) << "'";
    // The bounds the dialog applies and the buffer's floor.
    for (const char* number : {"170000", "4096", "100", "10", "0"})
        EXPECT_NE(text.find(number), std::string::npos) << number;
}

TEST_F(HelpFileTest, NamesWhatTheUserSeesOnScreen) {
    std::string text = ReachableText();
    const int shown[] = {MPluginMenuEntry, MDiskMenuEntry, MOverwrite, MOverwriteAll, MSkip, MSkipAll,
                         MCancel,          MRetry,         MFromLabel, MToLabel,      MTimeTotalLabel,
                         MTimeElapsedLabel, MTimeLeftLabel};
    for (int id : shown)
        EXPECT_NE(text.find(english_.messages[id].text), std::string::npos)
            << "message " << id << " '" << english_.messages[id].text << "'";
    for (const char* key : {"Esc", "Enter", ".exe", "F5", "F6", "Shift+F5", "Shift+F6", "F7", "F8", "Yes", "No"})
        EXPECT_NE(text.find(key), std::string::npos) << key;
}

}  // namespace
