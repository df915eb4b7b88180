// Loading, start-up and the menu entries, as the host drives them.
#include <cstring>
#include <filesystem>
#include <fstream>

#include "host.h"
#include "scenario.h"

namespace fs = std::filesystem;

namespace {

class Startup : public Scenario {};

// The English texts as the module's language file has them.
std::vector<std::string> EnglishMessages(vbhost::Host& host) {
    vbhost::LanguageFile file;
    EXPECT_TRUE(vbhost::LoadModuleLanguage(host.PluginFolder(), "English", file));
    return file.messages;
}

TEST_F(Startup, AsksForHost170Build1282BeforeStartUp) {
    host_ = std::make_unique<vbhost::Host>(DefaultOptions());
    ASSERT_TRUE(host_->Load()) << host_->Error();
    EXPECT_EQ(host_->Module().GetMinFarVersion(), 0x05020146);
    EXPECT_EQ(host_->Module().GetMinFarVersion(), MAKEFARVERSION(1, 70, 1282));
}

TEST_F(Startup, HostRefusesAFileWithoutTheSixteenExports) {
    vbhost::HostOptions options = DefaultOptions();
    options.modulePath = VB_RAPI_FILE;
    host_ = std::make_unique<vbhost::Host>(options);
    EXPECT_FALSE(host_->Load());
    EXPECT_NE(host_->Error().find("SetStartupInfo"), std::string::npos) << host_->Error();
}

struct MenuCase {
    DWORD addToDisks, addToPlugins, digit;
};

class MenuEntries : public Scenario, public ::testing::WithParamInterface<MenuCase> {};

TEST_P(MenuEntries, FollowTheTwoMenuSettings) {
    const MenuCase& c = GetParam();
    StoreSetting("AddToDisksMenu", c.addToDisks);
    StoreSetting("AddToPluginsMenu", c.addToPlugins);
    StoreSetting("DisksMenuDigit", c.digit);
    vbhost::Host& host = StartHost();
    std::vector<std::string> text = EnglishMessages(host);

    vbhost::Host::MenuEntries menus = host.QueryMenus();
    EXPECT_EQ(menus.structSize, static_cast<int>(sizeof(PluginInfo)));
    EXPECT_EQ(menus.flags, 0u);
    EXPECT_TRUE(menus.diskStringsPointer) << "the disk-menu arrays are always handed over";
    EXPECT_TRUE(menus.diskNumbersPointer);
    if (c.addToDisks) {
        ASSERT_EQ(menus.diskMenu.size(), 1u);
        EXPECT_EQ(menus.diskMenu[0], text[9]);
        EXPECT_EQ(menus.diskNumbers[0], static_cast<int>(c.digit));
    } else {
        EXPECT_TRUE(menus.diskMenu.empty());
    }
    if (c.addToPlugins) {
        ASSERT_EQ(menus.pluginMenu.size(), 1u);
        EXPECT_EQ(menus.pluginMenu[0], text[7]);
    } else {
        EXPECT_TRUE(menus.pluginMenu.empty());
        EXPECT_FALSE(menus.pluginStringsPointer) << "no plug-ins entry means a null array";
    }
    ASSERT_EQ(menus.configMenu.size(), 1u) << "the configuration entry is always offered";
    EXPECT_EQ(menus.configMenu[0], text[7]);
    EXPECT_FALSE(menus.commandPrefixSet);
}

INSTANTIATE_TEST_SUITE_P(Combinations, MenuEntries,
                         ::testing::Values(MenuCase{1, 1, 5}, MenuCase{1, 0, 0}, MenuCase{0, 1, 9},
                                           MenuCase{0, 0, 3}, MenuCase{7, 2, 123}));

struct TooOldCase {
    int structSize;
    bool getMsgInRecord;
};

class TooOldHost : public Scenario, public ::testing::WithParamInterface<TooOldCase> {};

// The record is allocated at exactly the size the host reports, so a module
// that reads past it fails under the address sanitizer.
TEST_P(TooOldHost, IsRefusedButStillGetsItsConfigurationEntry) {
    StoreSetting("AddToDisksMenu", 1);
    vbhost::HostOptions options = DefaultOptions();
    options.structSize = GetParam().structSize;
    vbhost::Host& host = StartHost(options);

    vbhost::Host::MenuEntries menus = host.QueryMenus();
    EXPECT_TRUE(menus.diskMenu.empty()) << "settings are not read for a refused host";
    EXPECT_TRUE(menus.pluginMenu.empty());
    ASSERT_EQ(menus.configMenu.size(), 1u);
    if (GetParam().getMsgInRecord)
        EXPECT_EQ(menus.configMenu[0], EnglishMessages(host)[7]);
    else
        EXPECT_EQ(menus.configMenu[0], "");

    EXPECT_EQ(host.Module().OpenPlugin(OPEN_DISKMENU, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(host.Module().Configure(0), 0);
    EXPECT_TRUE(host.Dialogs().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, TooOldHost,
    ::testing::Values(TooOldCase{static_cast<int>(sizeof(PluginStartupInfo)) - 1, true},
                      TooOldCase{static_cast<int>(offsetof(PluginStartupInfo, GetMsg) + sizeof(void*)), true},
                      TooOldCase{static_cast<int>(offsetof(PluginStartupInfo, GetMsg) + 1), false},
                      TooOldCase{static_cast<int>(sizeof(int)), false}));

TEST_F(Startup, ConfigureRefusesEveryEntryButTheFirst) {
    vbhost::Host& host = StartHost();
    EXPECT_EQ(host.Module().Configure(1), 0);
    EXPECT_EQ(host.Module().Configure(-1), 0);
    EXPECT_TRUE(host.Dialogs().empty());
    EXPECT_TRUE(host.Messages().empty());
}

// Rewrites the installed English language file with `keep` of its messages,
// message `longNumber` (if any) replaced by a long text.
void RewriteLanguageFile(vbhost::Host& host, size_t keep, int longNumber = -1,
                         const std::string& longText = std::string()) {
    std::vector<std::string> text = EnglishMessages(host);
    fs::path file = fs::path(host.PluginFolder()) / "VantelbrookEng.lng";
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << ".Language=English,English\r\n";
    for (size_t i = 0; i < keep && i < text.size(); ++i)
        out << '"' << (static_cast<int>(i) == longNumber ? longText : text[i]) << "\"\r\n";
}

TEST_F(Startup, ShortLanguageFileGivesEmptyTextsNotACrash) {
    host_ = std::make_unique<vbhost::Host>(DefaultOptions());
    ASSERT_TRUE(host_->Load());
    fs::remove(fs::path(host_->PluginFolder()) / "VantelbrookRus.lng");
    RewriteLanguageFile(*host_, 8);
    host_->Start();

    vbhost::Host::MenuEntries menus = host_->QueryMenus();
    ASSERT_EQ(menus.diskMenu.size(), 1u);
    EXPECT_EQ(menus.diskMenu[0], "") << "message 9 is missing";
    ASSERT_EQ(menus.configMenu.size(), 1u);
    EXPECT_FALSE(menus.configMenu[0].empty()) << "message 7 is still there";
    std::vector<int> missing = host_->MissingMessages();
    for (int number : {9, 20, 21, 22, 23, 24})
        EXPECT_NE(std::find(missing.begin(), missing.end(), number), missing.end()) << number;
}

TEST_F(Startup, MessageLongerThanADialogItemIsCutToFit) {
    host_ = std::make_unique<vbhost::Host>(DefaultOptions());
    ASSERT_TRUE(host_->Load());
    fs::remove(fs::path(host_->PluginFolder()) / "VantelbrookRus.lng");
    std::string longTitle(700, 'T');
    RewriteLanguageFile(*host_, 55, 45, longTitle);
    host_->Start();

    vbhost::DialogCall dialog = PeekConfigDialog();
    ASSERT_FALSE(dialog.itemsIn.empty());
    EXPECT_EQ(dialog.TextIn(0), longTitle.substr(0, 511));
}

}  // namespace
