#include "layout.h"

#include <cstring>

#include <gtest/gtest.h>

namespace vbterm {
namespace {

FarDialogItem Item(int type, int x1, int y1, int x2, int y2, const char* text, DWORD flags = 0) {
    FarDialogItem item;
    std::memset(&item, 0, sizeof item);
    item.Type = type;
    item.X1 = x1;
    item.Y1 = y1;
    item.X2 = x2;
    item.Y2 = y2;
    item.Flags = flags;
    std::strcpy(item.Data, text);
    return item;
}

TEST(LayOutDialog, CentresTheDialogAndPlacesItemsFromItsCorner) {
    std::vector<FarDialogItem> items = {Item(DI_DOUBLEBOX, 3, 1, 72, 6, "Copy"),
                                        Item(DI_EDIT, 5, 3, 70, 3, "C:\\")};
    DialogLayout layout = LayOutDialog(-1, -1, 76, 8, items, 100, 30);
    EXPECT_EQ(layout.area.left, 12);
    EXPECT_EQ(layout.area.top, 11);
    EXPECT_EQ(layout.items[0].x, 15);
    EXPECT_EQ(layout.items[0].y2, 17);
    EXPECT_EQ(layout.items[1].x, 17);
    EXPECT_EQ(layout.items[1].width, 66);
}

TEST(LayOutDialog, CentreGroupButtonsShareOneCentredRow) {
    std::vector<FarDialogItem> items = {Item(DI_BUTTON, 0, 5, 0, 0, "&OK", DIF_CENTERGROUP),
                                        Item(DI_BUTTON, 0, 5, 0, 0, "Cancel", DIF_CENTERGROUP),
                                        Item(DI_BUTTON, 0, 6, 0, 0, "Alone", DIF_CENTERGROUP)};
    DialogLayout layout = LayOutDialog(0, 0, 39, 9, items, 80, 25);
    // "[ OK ]" (6) + space + "[ Cancel ]" (10) = 17 in 40 columns.
    EXPECT_EQ(layout.items[0].x, 11);
    EXPECT_EQ(layout.items[0].label, "OK");
    EXPECT_EQ(layout.items[0].hotKey, 0);
    EXPECT_EQ(layout.items[1].x, 18);
    EXPECT_EQ(layout.items[2].x, (40 - 9) / 2);
}

TEST(LayOutDialog, SeparatorRunsAcrossItsBoxAndTextsStopAtTheEdge) {
    std::vector<FarDialogItem> items = {Item(DI_DOUBLEBOX, 3, 1, 36, 8, "T"),
                                        Item(DI_TEXT, 5, 4, 0, 0, "", DIF_SEPARATOR),
                                        Item(DI_TEXT, 30, 2, 255, 0, "a long text that does not fit"),
                                        Item(DI_TEXT, -1, 3, 0, 0, "mid")};
    DialogLayout layout = LayOutDialog(-1, -1, 40, 10, items, 40, 10);
    EXPECT_EQ(layout.items[1].x, 3);
    EXPECT_EQ(layout.items[1].x2, 36);
    EXPECT_EQ(layout.items[2].width, 10);
    EXPECT_EQ(layout.items[3].x, 18);
}

TEST(FocusOrder, SkipsTextsBoxesAndItemsThatRefuseTheFocus) {
    std::vector<FarDialogItem> items = {Item(DI_DOUBLEBOX, 3, 1, 30, 8, ""), Item(DI_CHECKBOX, 5, 2, 0, 0, "a"),
                                        Item(DI_TEXT, 5, 3, 0, 0, "b"), Item(DI_BUTTON, 5, 4, 0, 0, "c", DIF_NOFOCUS),
                                        Item(DI_FIXEDIT, 5, 5, 6, 5, ""), Item(DI_BUTTON, 5, 6, 0, 0, "d", DIF_DISABLE),
                                        Item(DI_RADIOBUTTON, 5, 7, 0, 0, "e")};
    EXPECT_EQ(FocusOrder(items), (std::vector<int>{1, 4, 6}));
}

vbhost::MessageCall Message(std::vector<std::string> items, std::vector<std::string> buttons, DWORD flags = 0) {
    vbhost::MessageCall call;
    call.items = items;
    call.flags = flags;
    call.buttons = buttons;
    call.buttonsNumber = (flags & FMSG_MB_MASK) ? 0 : static_cast<int>(buttons.size());
    return call;
}

TEST(LayOutMessage, CentresLinesAndButtonsInAFrameAroundThem) {
    vbhost::MessageCall call = Message({"Interrupt", "Abandon this file?", "Yes", "No"}, {"Yes", "No"});
    MessageLayout layout = LayOutMessage(call, 80, 25);
    ASSERT_EQ(layout.lines.size(), 1u);
    EXPECT_EQ(layout.lines[0], "Abandon this file?");
    EXPECT_EQ(layout.frame.width, 18 + 4);
    EXPECT_EQ(layout.area.height, 1 + 1 + 4);
    EXPECT_EQ(layout.area.top, (25 - 6) / 2);
    EXPECT_EQ(layout.lineX[0], layout.frame.left + 2);
    EXPECT_EQ(layout.buttonY, layout.frame.top + 2);
    // "[ Yes ] [ No ]" is 14 wide, centred in 18.
    EXPECT_EQ(layout.buttonX[0], layout.frame.left + 2 + 2);
    EXPECT_EQ(layout.buttonX[1], layout.buttonX[0] + 8);
}

TEST(LayOutMessage, DownStandsBelowTheMiddleAndLongLinesAreCut) {
    std::string longLine(200, 'x');
    vbhost::MessageCall call = Message({"T", longLine, "short"}, {}, FMSG_DOWN | FMSG_LEFTALIGN);
    MessageLayout layout = LayOutMessage(call, 80, 25);
    EXPECT_GT(layout.area.top, (25 - layout.area.height) / 2);
    EXPECT_LE(layout.area.Right(), 79);
    EXPECT_EQ(layout.lines[0].size(), layout.lines[0].size());
    EXPECT_LT(static_cast<int>(layout.lines[0].size()), 80);
    EXPECT_EQ(layout.lineX[1], layout.lineX[0]) << "left-aligned lines start together";
    EXPECT_EQ(layout.buttonY, -1);
}

}  // namespace
}  // namespace vbterm
