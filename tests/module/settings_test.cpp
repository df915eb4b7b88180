// The seven settings: what the registry holds, what the module takes in, and
// what the configuration dialog shows and writes back.
#include <fstream>
#include <string>

#ifndef _WIN32
#include "vbplatform_testing.h"
#endif

#include "scenario.h"

namespace {

class Settings : public Scenario {};

struct ShownSettings {
    int addToDisks, addToPlugins;
    std::string digit, wait;
    int byMemory, byKBytes;
    std::string memory, kbytes;
};

ShownSettings Shown(const vbhost::DialogCall& dialog) {
    return {dialog.itemsIn[CfgAddToDisksMenu].Selected,
            dialog.itemsIn[CfgAddToPluginsMenu].Selected,
            dialog.TextIn(CfgDisksMenuDigit),
            dialog.TextIn(CfgTimeWaitInit),
            dialog.itemsIn[CfgByMemory].Selected,
            dialog.itemsIn[CfgByKBytes].Selected,
            dialog.TextIn(CfgCopyMemory),
            dialog.TextIn(CfgCopyKBytes)};
}

void ExpectShown(const ShownSettings& shown, const ShownSettings& expected) {
    EXPECT_EQ(shown.addToDisks, expected.addToDisks);
    EXPECT_EQ(shown.addToPlugins, expected.addToPlugins);
    EXPECT_EQ(shown.digit, expected.digit);
    EXPECT_EQ(shown.wait, expected.wait);
    EXPECT_EQ(shown.byMemory, expected.byMemory);
    EXPECT_EQ(shown.byKBytes, expected.byKBytes);
    EXPECT_EQ(shown.memory, expected.memory);
    EXPECT_EQ(shown.kbytes, expected.kbytes);
}

TEST_F(Settings, DefaultsWithoutAKeyAndNoKeyIsCreated) {
    StartHost();
    ExpectShown(Shown(PeekConfigDialog()), {1, 1, "5", "10", 1, 0, "10", "4096"});
    EXPECT_FALSE(SettingsKeyExists());
}

TEST_F(Settings, DialogLayout) {
    StartHost();
    vbhost::DialogCall dialog = PeekConfigDialog();
    EXPECT_FALSE(dialog.extended);
    EXPECT_EQ(dialog.x1, -1);
    EXPECT_EQ(dialog.y1, -1);
    EXPECT_EQ(dialog.x2, 76);
    EXPECT_EQ(dialog.y2, 13);
    EXPECT_EQ(dialog.helpTopic, "Config");
    ASSERT_EQ(dialog.itemsIn.size(), 17u);
    EXPECT_EQ(dialog.itemsIn[0].Type, DI_DOUBLEBOX);
    EXPECT_EQ(dialog.itemsIn[CfgOk].Type, DI_BUTTON);
    EXPECT_TRUE(dialog.itemsIn[CfgOk].DefaultButton);
    EXPECT_FALSE(dialog.itemsIn[CfgCancel].DefaultButton);
    EXPECT_TRUE(dialog.itemsIn[CfgByMemory].Flags & DIF_GROUP);
    for (int item : {CfgTimeWaitInit, CfgCopyMemory, CfgCopyKBytes}) {
        EXPECT_EQ(dialog.itemsIn[item].Type, DI_FIXEDIT) << item;
        EXPECT_TRUE(dialog.itemsIn[item].Flags & DIF_MASKEDIT) << item;
        ASSERT_NE(dialog.itemsIn[item].Mask, nullptr) << "a masked field has its mask";
    }
    for (const FarDialogItem& item : dialog.itemsIn) EXPECT_FALSE(item.Focus);
}

struct StoredCase {
    const char* name;
    DWORD stored;
    ShownSettings expected;
};

class StoredSettings : public Scenario, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(StoredSettings, AreTakenInWithTheirBounds) {
    StoreSetting(GetParam().name, GetParam().stored);
    StartHost();
    ExpectShown(Shown(PeekConfigDialog()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredSettings,
    ::testing::Values(
        StoredCase{"CopyMemory", 0, {1, 1, "5", "10", 1, 0, "10", "4096"}},
        StoredCase{"CopyMemory", static_cast<DWORD>(-7), {1, 1, "5", "10", 1, 0, "10", "4096"}},
        StoredCase{"CopyMemory", 250, {1, 1, "5", "10", 1, 0, "100", "4096"}},
        StoredCase{"CopyMemory", 100, {1, 1, "5", "10", 1, 0, "100", "4096"}},
        StoredCase{"CopyMemory", 1, {1, 1, "5", "10", 1, 0, "1", "4096"}},
        StoredCase{"CopyKBytes", 0, {1, 1, "5", "10", 1, 0, "10", "4096"}},
        StoredCase{"CopyKBytes", static_cast<DWORD>(-1), {1, 1, "5", "10", 1, 0, "10", "4096"}},
        StoredCase{"CopyKBytes", 0x7FFFFFFF, {1, 1, "5", "10", 1, 0, "10", "2147483647"}},
        StoredCase{"TimeWaitInit", 0, {1, 1, "5", "0", 1, 0, "10", "4096"}},
        StoredCase{"TimeWaitInit", static_cast<DWORD>(-3), {1, 1, "5", "-3", 1, 0, "10", "4096"}},
        StoredCase{"DisksMenuDigit", 0, {1, 1, "", "10", 1, 0, "10", "4096"}},
        StoredCase{"IsCopyKBytes", 7, {1, 1, "5", "10", 0, 7, "10", "4096"}},
        StoredCase{"AddToDisksMenu", 0, {0, 1, "5", "10", 1, 0, "10", "4096"}}));

struct RawCase {
    const char* name;
    DWORD type;
    std::vector<BYTE> bytes;
    ShownSettings expected;
};

class RawSettings : public Scenario, public ::testing::WithParamInterface<RawCase> {};

// Values of four bytes or fewer replace the low-order bytes of the default,
// whatever their type; longer values leave the default.
TEST_P(RawSettings, OfOtherSizesAndTypes) {
    StoreRawSetting(GetParam().name, GetParam().type, GetParam().bytes);
    StartHost();
    ExpectShown(Shown(PeekConfigDialog()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RawSettings,
    ::testing::Values(
        RawCase{"CopyMemory", REG_BINARY, {0x07}, {1, 1, "5", "10", 1, 0, "7", "4096"}},
        RawCase{"CopyKBytes", REG_BINARY, {0x34, 0x12}, {1, 1, "5", "10", 1, 0, "10", "4660"}},
        RawCase{"TimeWaitInit", REG_BINARY, {1, 0, 0, 0, 0, 0, 0, 0}, {1, 1, "5", "10", 1, 0, "10", "4096"}},
        RawCase{"DisksMenuDigit", REG_SZ, {'7', 0}, {1, 1, "55", "10", 1, 0, "10", "4096"}}));

// Opens the dialog, lets `edit` act on it and presses `button`.
void RunConfig(vbhost::Host& host, int button, std::function<void(vbhost::RunningDialog&)> edit,
               int expectedResult) {
    host.Script().OnDialog([=](vbhost::RunningDialog& dialog) {
        edit(dialog);
        if (button < 0)
            dialog.Esc();
        else
            dialog.Press(button);
    });
    EXPECT_EQ(host.Module().Configure(0), expectedResult);
}

TEST_F(Settings, ConfirmedDialogStoresAndWritesEverySetting) {
    vbhost::Host& host = StartHost();
    RunConfig(host, CfgOk,
              [](vbhost::RunningDialog& dialog) {
                  dialog.Press(CfgAddToDisksMenu);  // off
                  dialog.SetText(CfgDisksMenuDigit, "3");
                  dialog.SetText(CfgTimeWaitInit, "25");
                  dialog.Press(CfgByKBytes);
                  dialog.SetText(CfgCopyMemory, "40");
                  dialog.SetText(CfgCopyKBytes, "512");
              },
              1);
    EXPECT_EQ(StoredSetting("AddToDisksMenu"), 0);
    EXPECT_EQ(StoredSetting("AddToPluginsMenu"), 1);
    EXPECT_EQ(StoredSetting("DisksMenuDigit"), 3);
    EXPECT_EQ(StoredSetting("TimeWaitInit"), 25);
    EXPECT_EQ(StoredSetting("IsCopyKBytes"), 1);
    EXPECT_EQ(StoredSetting("CopyMemory"), 40);
    EXPECT_EQ(StoredSetting("CopyKBytes"), 512);

    vbhost::Host::MenuEntries menus = host.QueryMenus();
    EXPECT_TRUE(menus.diskMenu.empty()) << "the new values are in force at once";
    ExpectShown(Shown(PeekConfigDialog()), {0, 1, "3", "25", 0, 1, "40", "512"});

    // And after a restart, from the registry.
    StartHost();
    ExpectShown(Shown(PeekConfigDialog()), {0, 1, "3", "25", 0, 1, "40", "512"});
}

struct EnteredCase {
    std::string memory, kbytes, digit, wait;
    long long storedMemory, storedKBytes, storedDigit, storedWait;
};

class EnteredSettings : public Scenario, public ::testing::WithParamInterface<EnteredCase> {};

TEST_P(EnteredSettings, AreBoundedOnConfirmation) {
    const EnteredCase& c = GetParam();
    vbhost::Host& host = StartHost();
    RunConfig(host, CfgOk,
              [&c](vbhost::RunningDialog& dialog) {
                  dialog.SetText(CfgCopyMemory, c.memory);
                  dialog.SetText(CfgCopyKBytes, c.kbytes);
                  dialog.SetText(CfgDisksMenuDigit, c.digit);
                  dialog.SetText(CfgTimeWaitInit, c.wait);
              },
              1);
    EXPECT_EQ(StoredSetting("CopyMemory"), c.storedMemory);
    EXPECT_EQ(StoredSetting("CopyKBytes"), c.storedKBytes);
    EXPECT_EQ(StoredSetting("DisksMenuDigit"), c.storedDigit);
    EXPECT_EQ(StoredSetting("TimeWaitInit"), c.storedWait);
}

INSTANTIATE_TEST_SUITE_P(Values, EnteredSettings,
                         ::testing::Values(EnteredCase{"0", "0", "", "0", 10, 4096, 0, 0},
                                           EnteredCase{"", "", "x", "", 10, 4096, 0, 0},
                                           EnteredCase{"-5", "-3", "9", "60", 10, 4096, 9, 60},
                                           EnteredCase{"250", "99999", "1", "1", 100, 99999, 1, 1},
                                           EnteredCase{"1", "1", "0", "99", 1, 1, 0, 99},
                                           EnteredCase{"100", "4096", "5", "10", 100, 4096, 5, 10}));

// The store keeps values in the order they were first written.
TEST_F(Settings, WrittenInTheOrderOfTheirNames) {
#ifdef _WIN32
    GTEST_SKIP() << "the order is read from the POSIX registry store's file; Wine's registry lists values "
                    "sorted by name, whatever order they were written in";
#else
    vbhost::Host& host = StartHost();
    RunConfig(host, CfgOk, [](vbhost::RunningDialog&) {}, 1);
    std::ifstream store(vbplatform::RegistryPath());
    std::string line;
    std::vector<std::string> names;
    while (std::getline(store, line))
        if (line.size() > 1 && line[0] == '"') names.push_back(line.substr(1, line.find('"', 1) - 1));
    EXPECT_EQ(names, (std::vector<std::string>{"AddToDisksMenu", "AddToPluginsMenu", "DisksMenuDigit",
                                                "TimeWaitInit", "IsCopyKBytes", "CopyMemory", "CopyKBytes"}));
#endif
}

TEST_F(Settings, IsCopyKBytesWrittenAsTheHostReportsIt) {
    StoreSetting("IsCopyKBytes", 7);
    vbhost::Host& host = StartHost();
    RunConfig(host, CfgOk, [](vbhost::RunningDialog&) {}, 1);
    EXPECT_EQ(StoredSetting("IsCopyKBytes"), 7);
}

TEST_F(Settings, EscAndCancelWriteNothing) {
    vbhost::Host& host = StartHost();
    auto edit = [](vbhost::RunningDialog& dialog) {
        dialog.SetText(CfgCopyMemory, "55");
        dialog.Press(CfgAddToPluginsMenu);
    };
    RunConfig(host, -1, edit, 0);
    RunConfig(host, CfgCancel, edit, 0);
    EXPECT_FALSE(SettingsKeyExists());
    ExpectShown(Shown(PeekConfigDialog()), {1, 1, "5", "10", 1, 0, "10", "4096"});
}

// The key path holds 80 bytes: a root key of 67 characters fits, one of 68
// does not, and then the registry is left alone rather than a cut key used.
TEST_F(Settings, RootKeyAtAndPastTheLimitOfTheKeyPath) {
    std::string fits = "Software\\" + std::string(67 - 9, 'R');
    ASSERT_EQ(fits.size(), 67u);
    rootKey_ = fits;
    StoreSetting("CopyMemory", 33);
    StartHost();
    EXPECT_EQ(Shown(PeekConfigDialog()).memory, "33");

    rootKey_ = fits + "X";
    StoreSetting("CopyMemory", 44);
    vbhost::HostOptions options = DefaultOptions();
    vbhost::Host& host = StartHost(options);
    EXPECT_EQ(Shown(PeekConfigDialog()).memory, "10") << "the defaults are in force";
    RunConfig(host, CfgOk, [](vbhost::RunningDialog& dialog) { dialog.SetText(CfgCopyMemory, "77"); }, 1);
    EXPECT_EQ(StoredSetting("CopyMemory"), 44) << "nothing was written";
    EXPECT_EQ(Shown(PeekConfigDialog()).memory, "77") << "the new value is in force in memory";
}

}  // namespace
