#include "edit_field.h"

#include <gtest/gtest.h>

namespace vbterm {
namespace {

void Type(EditField& field, const std::string& text) {
    for (char c : text) field.HandleKey(c == ' ' ? VirtualKey(vk::Space) : TextKey(std::string(1, c)));
}

TEST(EditField, FirstTypedKeyAfterFocusReplacesTheText) {
    EditField field("C:\\old", 20, false);
    field.Focus();
    Type(field, "new");
    EXPECT_EQ(field.Text(), "new");
    Type(field, "er");
    EXPECT_EQ(field.Text(), "newer");
}

TEST(EditField, MovingBeforeTypingKeepsTheTextAndInsertsAtTheCaret) {
    EditField field("abc", 20, false);
    field.Focus();
    field.HandleKey(VirtualKey(vk::Home));
    field.HandleKey(VirtualKey(vk::Right));
    Type(field, "X");
    EXPECT_EQ(field.Text(), "aXbc");
    field.HandleKey(VirtualKey(vk::Back));
    field.HandleKey(VirtualKey(vk::Delete));
    EXPECT_EQ(field.Text(), "ac");
}

TEST(EditField, KeysThatBelongToTheDialogAreNotTaken) {
    EditField field("abc", 10, false);
    for (int code : {vk::Return, vk::Escape, vk::Tab, vk::Up, vk::Down, vk::F1})
        EXPECT_FALSE(field.HandleKey(VirtualKey(code))) << code;
    EXPECT_EQ(field.Text(), "abc");
}

TEST(EditField, NonAsciiTextIsKeptInTheOemCodePage) {
    EditField field("", 10, false);
    field.Focus();
    Type(field, "Caf");
    field.HandleKey(TextKey("\xC3\xA9"));  // é, 0x82 in code page 437
    EXPECT_EQ(field.Text(), "Caf\x82");
}

TEST(EditField, LongTextScrollsToKeepTheCaretInView) {
    EditField field("", 5, false);
    field.Focus();
    Type(field, "abcdefgh");
    // The caret after the last character takes a cell of its own.
    EXPECT_EQ(field.Visible(), "efgh ");
    EXPECT_EQ(field.VisibleCaret(), 4);
    field.HandleKey(VirtualKey(vk::Home));
    EXPECT_EQ(field.Visible(), "abcde");
    EXPECT_EQ(field.VisibleCaret(), 0);
}

TEST(EditField, MaskedFixedFieldTakesDigitsOnlyWithinItsMask) {
    EditField field("10", 2, true, "99");
    field.Focus();
    Type(field, "x");
    EXPECT_EQ(field.Text(), "") << "the marked text goes even when the key is refused";
    Type(field, "7a3");
    EXPECT_EQ(field.Text(), "73");
    Type(field, "5");
    EXPECT_EQ(field.Text(), "75") << "a full field overtypes its last cell";
}

TEST(EditField, FullFixedFieldKeepsItsCaretOnTheLastCell) {
    EditField field("5", 1, true);
    field.Focus();
    Type(field, "7");
    EXPECT_EQ(field.Text(), "7");
    EXPECT_EQ(field.Visible(), "7");
    EXPECT_EQ(field.VisibleCaret(), 0);
    Type(field, "8");
    EXPECT_EQ(field.Text(), "8");
}

TEST(EditField, FixedFieldOvertypesAndErasesToSpaces) {
    EditField field("12345", 5, true, "99999");
    field.HandleKey(VirtualKey(vk::Right));
    Type(field, "9");
    EXPECT_EQ(field.Text(), "19345");
    field.HandleKey(VirtualKey(vk::End));
    field.HandleKey(VirtualKey(vk::Delete));
    EXPECT_EQ(field.Text(), "1934");
    field.HandleKey(VirtualKey(vk::Home));
    field.HandleKey(VirtualKey(vk::Delete));
    EXPECT_EQ(field.Text(), " 934");
}

}  // namespace
}  // namespace vbterm
