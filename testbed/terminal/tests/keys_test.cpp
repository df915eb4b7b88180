#include "keys.h"

#include <curses.h>
#include <gtest/gtest.h>

namespace vbterm {
namespace {

struct KeyCase {
    int value;
    bool isKeyCode;
    int code;
    unsigned modifiers;
    const char* name;
};

class DecodeKey : public ::testing::TestWithParam<KeyCase> {};

TEST_P(DecodeKey, GivesTheHostsKey) {
    const KeyCase& c = GetParam();
    Key key;
    ASSERT_TRUE(DecodeCursesKey(c.value, c.isKeyCode, key));
    EXPECT_EQ(key.code, c.code);
    EXPECT_EQ(key.modifiers, c.modifiers);
    EXPECT_EQ(key.Name(), c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DecodeKey,
    ::testing::Values(KeyCase{KEY_F(1), true, vk::F1, 0, "F1"},
                      KeyCase{KEY_F(10), true, vk::F(10), 0, "F10"},
                      KeyCase{KEY_F(17), true, vk::F(5), Shift, "Shift+F5"},
                      KeyCase{KEY_F(18), true, vk::F(6), Shift, "Shift+F6"},
                      KeyCase{KEY_F(49), true, vk::F1, Alt, "Alt+F1"},
                      KeyCase{KEY_F(50), true, vk::F(2), Alt, "Alt+F2"},
                      KeyCase{OwnFunctionKeyCode(1, Alt), true, vk::F1, Alt, "Alt+F1"},
                      KeyCase{OwnFunctionKeyCode(6, Shift), true, vk::F(6), Shift, "Shift+F6"},
                      KeyCase{KEY_IC, true, vk::Insert, 0, "Ins"},
                      KeyCase{KEY_BTAB, true, vk::Tab, Shift, "Shift+Tab"},
                      KeyCase{'\r', false, vk::Return, 0, "Enter"},
                      KeyCase{127, false, vk::Back, 0, "Backspace"},
                      KeyCase{27, false, vk::Escape, 0, "Esc"},
                      KeyCase{4, false, 'D', Control, "Ctrl+D"}));

TEST(DecodeKey, PrintableCharactersAreTextInUtf8) {
    Key key;
    ASSERT_TRUE(DecodeCursesKey(0xE9, false, key));  // é
    EXPECT_TRUE(key.IsText());
    EXPECT_EQ(key.text, "\xC3\xA9");
    ASSERT_TRUE(DecodeCursesKey(' ', false, key));
    EXPECT_TRUE(key.Is(vk::Space));
    EXPECT_EQ(key.text, " ");
}

TEST(DecodeKey, UnknownCodesAreRefused) {
    Key key;
    EXPECT_FALSE(DecodeCursesKey(KEY_MOUSE, true, key));
    EXPECT_FALSE(DecodeCursesKey(OwnFunctionKeyCode(13, 0), true, key));
}

TEST(WithAlt, AnEscBeforeALetterOrAFunctionKeyMeansAlt) {
    Key letter = WithAlt(TextKey("x"));
    EXPECT_TRUE(letter.Is('X', Alt));
    EXPECT_FALSE(letter.IsText());
    EXPECT_TRUE(WithAlt(VirtualKey(vk::F1)).Is(vk::F1, Alt));
}

}  // namespace
}  // namespace vbterm
