// Keys as the terminal host handles them: the host's virtual-key codes with
// their modifiers, or a typed character.
#pragma once

#include <string>

namespace vbterm {

// Virtual-key codes (the values the host passes to ProcessKey).
namespace vk {
constexpr int Back = 0x08, Tab = 0x09, Return = 0x0D, Escape = 0x1B, Space = 0x20;
constexpr int PageUp = 0x21, PageDown = 0x22, End = 0x23, Home = 0x24;
constexpr int Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28;
constexpr int Insert = 0x2D, Delete = 0x2E;
constexpr int F1 = 0x70;
constexpr int F(int n) { return F1 + n - 1; }
}  // namespace vk

// Modifier bits, as in ProcessKey's ControlState.
enum Modifier : unsigned { Control = 1, Alt = 2, Shift = 4 };

struct Key {
    int code = 0;          // a virtual-key code; 0 for a typed character
    unsigned modifiers = 0;
    std::string text;      // the typed character, UTF-8
    bool resize = false;   // the terminal changed its size

    bool Is(int vkCode, unsigned mods = 0) const { return code == vkCode && modifiers == mods; }
    bool IsText() const { return code == 0 && !text.empty() && !resize; }
    // "Shift+F5", "Alt+F1", "a": for the status line.
    std::string Name() const;
};

Key VirtualKey(int code, unsigned modifiers = 0);
Key TextKey(const std::string& utf8);
Key ResizeKey();

// Our codes for modified function keys that we teach ncurses ourselves
// (terminfo entries often lack them): one code per key and modifier set.
constexpr int kOwnKeyBase = 0x2000;
int OwnFunctionKeyCode(int functionKey, unsigned modifiers);

// One key as ncurses reported it: a key code (isKeyCode) or a wide
// character. Function keys 13-63 follow the xterm numbering (13-24 Shift,
// 25-36 Control, 37-48 Control+Shift, 49-60 Alt). False for codes that mean
// nothing here.
bool DecodeCursesKey(int value, bool isKeyCode, Key& key);

// An Esc that came right before another key is the terminal's way of
// saying Alt.
Key WithAlt(Key key);

}  // namespace vbterm
