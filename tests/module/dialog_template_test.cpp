// Expansion of dialog templates into the host's dialog items.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "plugin/dialog_template.h"
#include "plugin/host_services.h"
#include "standard_functions.h"

namespace {

std::map<int, std::string> g_texts;

const char* WINAPI FakeGetMsg(int, int number) {
    auto found = g_texts.find(number);
    if (found == g_texts.end()) found = g_texts.emplace(number, "msg" + std::to_string(number)).first;
    return found->second.c_str();
}

class DialogTemplate : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(&HostServices, 0, sizeof HostServices);
        HostServices.Info.GetMsg = FakeGetMsg;
        vbhost::FillStandardFunctions(HostServices.FSF);
        g_texts.clear();
    }
};

TEST_F(DialogTemplate, DataBelow2000IsAMessageNumberElseATextAddress) {
    static const char literal[] = "literal text";
    const InitDialogItem templateItems[] = {
        {DI_TEXT, 1, 2, 3, 4, 0, 0, 0, 0, 1999},
        {DI_TEXT, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {DI_TEXT, 0, 0, 0, 0, 0, 0, 0, 0, TemplateText("")},
        {DI_TEXT, 0, 0, 0, 0, 0, 0, 0, 0, TemplateText(literal)},
    };
    FarDialogItem items[4];
    InitDialogItems(templateItems, items, 4);
    EXPECT_STREQ(items[0].Data, "msg1999");
    EXPECT_STREQ(items[1].Data, "msg0") << "0 is message 0, not an empty text";
    EXPECT_STREQ(items[2].Data, "");
    EXPECT_STREQ(items[3].Data, literal);
}

TEST_F(DialogTemplate, ByteFieldsExpandToZeroTo255) {
    const InitDialogItem templateItems[] = {
        {DI_BUTTON, 255, 254, 253, 252, 255, 0xFFFFFFFFu, 0x80004000u, 255, TemplateText("x")},
    };
    FarDialogItem item;
    std::memset(&item, 0xAB, sizeof item);
    InitDialogItems(templateItems, &item, 1);
    EXPECT_EQ(item.Type, DI_BUTTON);
    EXPECT_EQ(item.X1, 255);
    EXPECT_EQ(item.Y1, 254);
    EXPECT_EQ(item.X2, 253);
    EXPECT_EQ(item.Y2, 252);
    EXPECT_EQ(item.Focus, 255);
    EXPECT_EQ(item.Selected, -1) << "Selected is copied unchanged";
    EXPECT_EQ(item.Flags, 0x80004000u);
    EXPECT_EQ(item.DefaultButton, 255);
}

TEST_F(DialogTemplate, CountOfZeroOrLessDoesNothing) {
    const InitDialogItem templateItems[] = {{DI_TEXT, 1, 1, 1, 1, 0, 0, 0, 0, 5}};
    FarDialogItem item;
    std::memset(&item, 0x5A, sizeof item);
    InitDialogItems(templateItems, &item, 0);
    InitDialogItems(templateItems, &item, -3);
    EXPECT_EQ(item.X1, 0x5A5A5A5A);
}

TEST_F(DialogTemplate, TextLongerThanTheItemIsCutAndTerminated) {
    g_texts[42] = std::string(600, 'L');
    const InitDialogItem templateItems[] = {{DI_TEXT, 0, 0, 0, 0, 0, 0, 0, 0, 42}};
    FarDialogItem items[2];
    std::memset(items, 0x33, sizeof items);
    InitDialogItems(templateItems, items, 1);
    EXPECT_EQ(std::strlen(items[0].Data), 511u);
    EXPECT_EQ(items[1].Type, 0x33333333) << "nothing written past the item";
}

}  // namespace
