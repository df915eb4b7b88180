#include "keys.h"

#include <curses.h>

namespace vbterm {

Key VirtualKey(int code, unsigned modifiers) {
    Key key;
    key.code = code;
    key.modifiers = modifiers;
    return key;
}

Key TextKey(const std::string& utf8) {
    Key key;
    key.text = utf8;
    return key;
}

Key ResizeKey() {
    Key key;
    key.resize = true;
    return key;
}

int OwnFunctionKeyCode(int functionKey, unsigned modifiers) {
    return kOwnKeyBase + static_cast<int>(modifiers & 7u) * 16 + functionKey;
}

static std::string Utf8Of(unsigned codePoint) {
    std::string out;
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return out;
}

// xterm numbers modified function keys in blocks of twelve.
static bool DecodeFunctionKey(int number, Key& key) {
    static const unsigned blocks[] = {0, Shift, Control, Control | Shift, Alt, Alt | Shift};
    if (number < 1 || number > 72) return false;
    int block = (number - 1) / 12;
    key = VirtualKey(vk::F((number - 1) % 12 + 1), blocks[block]);
    return true;
}

static bool DecodeKeyCode(int value, Key& key) {
    if (value >= kOwnKeyBase && value < kOwnKeyBase + 8 * 16) {
        int functionKey = (value - kOwnKeyBase) % 16;
        unsigned modifiers = static_cast<unsigned>((value - kOwnKeyBase) / 16);
        if (functionKey < 1 || functionKey > 12) return false;
        key = VirtualKey(vk::F(functionKey), modifiers);
        return true;
    }
    if (value >= KEY_F(1) && value <= KEY_F(63)) return DecodeFunctionKey(value - KEY_F0, key);
    switch (value) {
        case KEY_UP: key = VirtualKey(vk::Up); return true;
        case KEY_DOWN: key = VirtualKey(vk::Down); return true;
        case KEY_LEFT: key = VirtualKey(vk::Left); return true;
        case KEY_RIGHT: key = VirtualKey(vk::Right); return true;
        case KEY_SR: key = VirtualKey(vk::Up, Shift); return true;
        case KEY_SF: key = VirtualKey(vk::Down, Shift); return true;
        case KEY_PPAGE: key = VirtualKey(vk::PageUp); return true;
        case KEY_NPAGE: key = VirtualKey(vk::PageDown); return true;
        case KEY_HOME: key = VirtualKey(vk::Home); return true;
        case KEY_END: key = VirtualKey(vk::End); return true;
        case KEY_IC: key = VirtualKey(vk::Insert); return true;
        case KEY_DC: key = VirtualKey(vk::Delete); return true;
        case KEY_SDC: key = VirtualKey(vk::Delete, Shift); return true;
        case KEY_BACKSPACE: key = VirtualKey(vk::Back); return true;
        case KEY_ENTER: key = VirtualKey(vk::Return); return true;
        case KEY_BTAB: key = VirtualKey(vk::Tab, Shift); return true;
        case KEY_RESIZE: key = ResizeKey(); return true;
        default: return false;
    }
}

static bool DecodeCharacter(int value, Key& key) {
    switch (value) {
        case '\r': case '\n': key = VirtualKey(vk::Return); return true;
        case '\t': key = VirtualKey(vk::Tab); return true;
        case 27: key = VirtualKey(vk::Escape); return true;
        case 8: case 127: key = VirtualKey(vk::Back); return true;
        case ' ': key = VirtualKey(vk::Space); key.text = " "; return true;
        default: break;
    }
    if (value >= 1 && value <= 26) {
        key = VirtualKey('A' + value - 1, Control);
        return true;
    }
    if (value < 32) return false;
    key = TextKey(Utf8Of(static_cast<unsigned>(value)));
    return true;
}

bool DecodeCursesKey(int value, bool isKeyCode, Key& key) {
    key = Key();
    return isKeyCode ? DecodeKeyCode(value, key) : DecodeCharacter(value, key);
}

Key WithAlt(Key key) {
    if (key.IsText() && key.text.size() == 1) {
        char c = key.text[0];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        key = VirtualKey(static_cast<unsigned char>(c));
    }
    key.modifiers |= Alt;
    key.text.clear();
    return key;
}

std::string Key::Name() const {
    if (resize) return "resize";
    if (IsText()) return text;
    std::string name;
    if (modifiers & Control) name += "Ctrl+";
    if (modifiers & Alt) name += "Alt+";
    if (modifiers & Shift) name += "Shift+";
    if (code >= vk::F1 && code <= vk::F(12)) return name + "F" + std::to_string(code - vk::F1 + 1);
    switch (code) {
        case vk::Return: return name + "Enter";
        case vk::Escape: return name + "Esc";
        case vk::Tab: return name + "Tab";
        case vk::Back: return name + "Backspace";
        case vk::Insert: return name + "Ins";
        case vk::Delete: return name + "Del";
        case vk::Space: return name + "Space";
        default: break;
    }
    if (code >= 'A' && code <= 'Z') return name + static_cast<char>(code);
    return name + "key " + std::to_string(code);
}

}  // namespace vbterm
