// Message boxes, drawn as the host draws them.
#include <cctype>

#include "layout.h"
#include "oem_text.h"
#include "views.h"

namespace vbterm {

namespace {

struct BoxColours {
    Colour normal, highlight, focus;
};

BoxColours ColoursOf(DWORD flags) {
    if (flags & FMSG_WARNING) return {Colour::Warning, Colour::WarningHighlight, Colour::WarningFocus};
    return {Colour::Dialog, Colour::DialogHighlight, Colour::DialogFocus};
}

void DrawButtons(Terminal& terminal, const MessageLayout& layout, const BoxColours& colours, int focus) {
    for (size_t i = 0; i < layout.buttons.size(); ++i) {
        Colour colour = static_cast<int>(i) == focus ? colours.focus : colours.normal;
        terminal.PutOem(layout.buttonY, layout.buttonX[i], "[ " + layout.buttons[i] + " ]", colour);
    }
}

void DrawLines(Terminal& terminal, const MessageLayout& layout, const BoxColours& colours) {
    for (size_t i = 0; i < layout.lines.size(); ++i) {
        int y = layout.frame.top + 1 + static_cast<int>(i);
        terminal.Fill({layout.frame.left + 1, y, layout.frame.width - 2, 1}, colours.normal);
        terminal.PutOem(y, layout.lineX[i], layout.lines[i], colours.normal);
    }
}

// FMSG_KEEPBACKGROUND redraws the lines only: the frame and the title
// stay as the previous box left them.
void DrawMessage(Terminal& terminal, const vbhost::MessageCall& call, int focus) {
    MessageLayout layout = LayOutMessage(call, terminal.Width(), terminal.Height());
    BoxColours colours = ColoursOf(call.flags);
    bool keep = (call.flags & FMSG_KEEPBACKGROUND) && call.buttons.empty();
    if (!keep) {
        terminal.Fill(layout.area, colours.normal);
        terminal.Frame(layout.frame, Line::Double, colours.normal);
        if (!layout.title.empty()) {
            int x = layout.frame.left + (layout.frame.width - static_cast<int>(layout.title.size()) - 2) / 2;
            terminal.PutOem(layout.frame.top, x, " " + layout.title + " ", colours.normal);
        }
    }
    DrawLines(terminal, layout, colours);
    DrawButtons(terminal, layout, colours, focus);
    terminal.HideCursor();
    terminal.Refresh();
}

// A button's hot key: its marked letter, else its first.
char HotKeyOf(const std::string& button) {
    int marked = -1;
    std::string plain = WithoutHotKey(button, &marked);
    if (plain.empty()) return 0;
    return static_cast<char>(std::tolower(static_cast<unsigned char>(plain[marked >= 0 ? marked : 0])));
}

int ButtonOfHotKey(const std::vector<std::string>& buttons, const Key& key) {
    if (!key.IsText() || key.text.size() != 1) return -1;
    char typed = static_cast<char>(std::tolower(static_cast<unsigned char>(key.text[0])));
    int found = -1;
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (HotKeyOf(buttons[i]) != typed) continue;
        if (found >= 0) return -1;  // ambiguous: no hot key
        found = static_cast<int>(i);
    }
    return found;
}

}  // namespace

int RunMessageBox(Terminal& terminal, const vbhost::MessageCall& call, const HelpRequest& help) {
    if (call.buttons.empty()) {
        auto hold = terminal.Lock();
        DrawMessage(terminal, call, -1);
        return 0;
    }
    ModalScope scope(terminal);
    int count = static_cast<int>(call.buttons.size());
    int focus = 0;
    bool redraw = true;
    for (;;) {
        if (redraw) {
            auto hold = terminal.Lock();
            DrawMessage(terminal, call, focus);
            redraw = false;
        }
        Key key;
        if (!terminal.NextKey(scope.Frame(), key, 500)) continue;
        redraw = true;
        if (key.Is(vk::Return)) return focus;
        if (key.Is(vk::Escape) || key.Is(vk::F(10))) return -1;
        if (key.Is(vk::Left) || key.Is(vk::Tab, Shift) || key.Is(vk::Up)) focus = (focus + count - 1) % count;
        else if (key.Is(vk::Right) || key.Is(vk::Tab) || key.Is(vk::Down)) focus = (focus + 1) % count;
        else if (key.Is(vk::Space)) return focus;
        else if (key.Is(vk::F1) && help) help(call.helpTopic);
        else if (int chosen = ButtonOfHotKey(call.buttons, key); chosen >= 0) return chosen;
    }
}

}  // namespace vbterm
