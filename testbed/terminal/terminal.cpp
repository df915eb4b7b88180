#include "terminal.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#define NCURSES_WIDECHAR 1
#include <curses.h>

#include "oem_text.h"
#include "vbplatform_testing.h"

namespace vbterm {

struct Terminal::Snapshot {
    WINDOW* window = nullptr;
};

namespace {

struct Palette {
    short foreground, background;
    bool bold;
};

// The host's classic colours: cyan on blue panels, grey dialogs, red
// warnings, cyan help.
const Palette kPalette[] = {
    {COLOR_CYAN, COLOR_BLUE, false},    // Panel
    {COLOR_WHITE, COLOR_BLUE, true},    // PanelDirectory
    {COLOR_YELLOW, COLOR_BLUE, true},   // PanelSelected
    {COLOR_BLACK, COLOR_CYAN, false},   // PanelCursor
    {COLOR_YELLOW, COLOR_CYAN, true},   // PanelCursorSelected
    {COLOR_CYAN, COLOR_BLUE, false},    // PanelTitle
    {COLOR_BLACK, COLOR_CYAN, false},   // PanelTitleActive
    {COLOR_WHITE, COLOR_BLACK, false},  // KeyNumber
    {COLOR_BLACK, COLOR_CYAN, false},   // KeyLabel
    {COLOR_WHITE, COLOR_BLACK, false},  // CommandLine
    {COLOR_BLACK, COLOR_WHITE, false},  // Dialog
    {COLOR_YELLOW, COLOR_WHITE, true},  // DialogHighlight
    {COLOR_BLACK, COLOR_CYAN, false},   // DialogFocus
    {COLOR_BLACK, COLOR_CYAN, false},   // DialogEdit
    {COLOR_WHITE, COLOR_RED, true},     // Warning
    {COLOR_YELLOW, COLOR_RED, true},    // WarningHighlight
    {COLOR_BLACK, COLOR_WHITE, false},  // WarningFocus
    {COLOR_BLACK, COLOR_CYAN, false},   // WarningEdit
    {COLOR_BLACK, COLOR_CYAN, false},   // Help
    {COLOR_WHITE, COLOR_CYAN, true},    // HelpHighlight
    {COLOR_YELLOW, COLOR_CYAN, true},   // HelpLink
    {COLOR_WHITE, COLOR_BLACK, true},   // HelpLinkSelected
};
static_assert(sizeof kPalette / sizeof kPalette[0] == static_cast<size_t>(Colour::Count), "one palette entry a colour");

attr_t Attributes(Colour colour) {
    int index = static_cast<int>(colour);
    attr_t attributes = has_colors() ? COLOR_PAIR(index + 1) : A_NORMAL;
    if (kPalette[index].bold) attributes |= A_BOLD;
    if (!has_colors() && (colour == Colour::PanelCursor || colour == Colour::PanelCursorSelected ||
                          colour == Colour::DialogFocus || colour == Colour::HelpLinkSelected))
        attributes |= A_REVERSE;
    return attributes;
}

// The xterm encodings of modified function keys, which terminfo entries
// often leave out: "\033[1;<m>P" for F1-F4, "\033[<n>;<m>~" for F5-F12.
void TeachModifiedFunctionKeys() {
    static const char* const first[] = {"P", "Q", "R", "S"};
    static const int tilde[] = {15, 17, 18, 19, 20, 21, 23, 24};
    static const unsigned modifierOf[] = {0, 0, Shift, Alt, Alt | Shift, Control, Control | Shift,
                                          Control | Alt, Control | Alt | Shift};
    for (int m = 2; m <= 8; ++m) {
        for (int f = 1; f <= 12; ++f) {
            char sequence[32];
            if (f <= 4)
                std::snprintf(sequence, sizeof sequence, "\033[1;%d%s", m, first[f - 1]);
            else
                std::snprintf(sequence, sizeof sequence, "\033[%d;%d~", tilde[f - 5], m);
            define_key(sequence, OwnFunctionKeyCode(f, modifierOf[m]));
        }
    }
}

bool UsesUtf8() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

}  // namespace

Terminal::Terminal() = default;

Terminal::~Terminal() { Stop(); }

bool Terminal::Start() {
    std::setlocale(LC_ALL, "");
    if (!UsesUtf8()) std::setlocale(LC_CTYPE, "C.UTF-8");
    if (!isatty(0) || !isatty(1)) return false;
    auto hold = Lock();
    if (!initscr()) return false;
    started_ = true;
    raw();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    set_escdelay(25);
    curs_set(0);
    if (has_colors()) {
        start_color();
        for (size_t i = 0; i < static_cast<size_t>(Colour::Count); ++i)
            init_pair(static_cast<short>(i + 1), kPalette[i].foreground, kPalette[i].background);
    }
    TeachModifiedFunctionKeys();
    hold.unlock();
    reader_ = std::thread([this] { ReadKeys(); });
    return true;
}

void Terminal::Stop() {
    stopping_ = true;
    if (reader_.joinable()) reader_.join();
    auto hold = Lock();
    if (started_) {
        endwin();
        started_ = false;
    }
}

int Terminal::Width() const { return started_ ? COLS : 80; }
int Terminal::Height() const { return started_ ? LINES : 25; }

void Terminal::Fill(const Rect& rect, Colour colour) {
    if (!started_) return;
    std::string blanks(static_cast<size_t>(rect.width > 0 ? rect.width : 0), ' ');
    for (int y = rect.top; y <= rect.Bottom(); ++y) Put(y, rect.left, blanks, colour);
}

// Cells are counted in characters: everything drawn is one cell wide.
void Terminal::Put(int y, int x, const std::string& utf8, Colour colour, int width) {
    if (!started_ || y < 0 || y >= LINES || x >= COLS) return;
    int room = COLS - x;
    if (width < 0 || width > room) width = room;
    std::string cut;
    int cells = 0;
    for (size_t i = 0; i < utf8.size() && cells < width; ++cells) {
        size_t length = 1;
        unsigned char lead = static_cast<unsigned char>(utf8[i]);
        if (lead >= 0xF0) length = 4;
        else if (lead >= 0xE0) length = 3;
        else if (lead >= 0xC0) length = 2;
        if (x + cells >= 0) cut.append(utf8, i, length);
        i += length;
    }
    if (x < 0) x = 0;
    attr_set(Attributes(colour), 0, nullptr);
    mvaddstr(y, x, cut.c_str());
}

void Terminal::PutOem(int y, int x, const std::string& oem, Colour colour, int width) {
    Put(y, x, ShownText(oem), colour, width);
}

void Terminal::Frame(const Rect& rect, Line line, Colour colour) {
    if (rect.width < 2 || rect.height < 2) return;
    bool twin = line == Line::Double;
    std::string horizontal;
    for (int i = 0; i < rect.width - 2; ++i) horizontal += twin ? "═" : "─";
    Put(rect.top, rect.left, (twin ? "╔" : "┌") + horizontal + (twin ? "╗" : "┐"), colour);
    Put(rect.Bottom(), rect.left, (twin ? "╚" : "└") + horizontal + (twin ? "╝" : "┘"), colour);
    for (int y = rect.top + 1; y < rect.Bottom(); ++y) {
        Put(y, rect.left, twin ? "║" : "│", colour);
        Put(y, rect.Right(), twin ? "║" : "│", colour);
    }
}

void Terminal::Rule(int y, int x1, int x2, Line frame, Colour colour) {
    if (x2 <= x1) return;
    bool twin = frame == Line::Double;
    std::string rule = twin ? "╟" : "├";
    for (int x = x1 + 1; x < x2; ++x) rule += "─";
    rule += twin ? "╢" : "┤";
    Put(y, x1, rule, colour);
}

void Terminal::ShowCursor(int y, int x) {
    if (!started_) return;
    move(y, x);
    curs_set(1);
}

void Terminal::HideCursor() {
    if (started_) curs_set(0);
}

void Terminal::Refresh() {
    if (started_) refresh();
}

void Terminal::Clear() {
    if (started_) erase();
}

Terminal::Snapshot* Terminal::Save() {
    Snapshot* snapshot = new Snapshot;
    if (started_) snapshot->window = dupwin(stdscr);
    return snapshot;
}

void Terminal::Restore(Snapshot* snapshot) {
    if (!snapshot) return;
    if (started_ && snapshot->window) {
        int rows = std::min(getmaxy(snapshot->window), LINES) - 1;
        int columns = std::min(getmaxx(snapshot->window), COLS) - 1;
        copywin(snapshot->window, stdscr, 0, 0, 0, 0, rows, columns, FALSE);
        touchwin(stdscr);
        refresh();
    }
    if (snapshot->window) delwin(snapshot->window);
    delete snapshot;
}

// ---- Keys ---------------------------------------------------------------------------

int Terminal::PushFrame() {
    std::lock_guard<std::mutex> hold(keysLock_);
    int frame = nextFrame_++;
    frames_.push_back(frame);
    keysArrived_.notify_all();
    return frame;
}

void Terminal::PopFrame(int frame) {
    std::lock_guard<std::mutex> hold(keysLock_);
    for (auto it = frames_.begin(); it != frames_.end(); ++it) {
        if (*it == frame) {
            frames_.erase(it);
            break;
        }
    }
    keysArrived_.notify_all();
}

bool Terminal::IsTopFrame(int frame) {
    std::lock_guard<std::mutex> hold(keysLock_);
    return frames_.empty() ? frame == 0 : frames_.back() == frame;
}

bool Terminal::KeyWaiting(int frame) {
    std::lock_guard<std::mutex> hold(keysLock_);
    bool top = frames_.empty() ? frame == 0 : frames_.back() == frame;
    return top && !keys_.empty();
}

bool Terminal::NextKey(int frame, Key& key, int timeoutMs) {
    std::unique_lock<std::mutex> hold(keysLock_);
    auto ready = [&] {
        bool top = frames_.empty() ? frame == 0 : frames_.back() == frame;
        return top && !keys_.empty();
    };
    if (!keysArrived_.wait_for(hold, std::chrono::milliseconds(timeoutMs), ready)) return false;
    key = keys_.front();
    keys_.pop_front();
    return true;
}

void Terminal::SetModuleRunning(bool running) {
    std::lock_guard<std::mutex> hold(keysLock_);
    moduleRunning_ = running;
}

ModuleCall::~ModuleCall() {
    terminal_.SetModuleRunning(false);
    // What the module did not read is not the host's either.
    vbplatform::ClearConsoleInput();
}

void Terminal::Deliver(const Key& key) {
    {
        std::lock_guard<std::mutex> hold(keysLock_);
        if (!(moduleRunning_ && frames_.empty()) || key.resize) {
            keys_.push_back(key);
            keysArrived_.notify_all();
            return;
        }
    }
    if (key.code == 0) return;
    vbplatform::PushKey(static_cast<WORD>(key.code), true);
    vbplatform::PushKey(static_cast<WORD>(key.code), false);
}

std::vector<Key> Terminal::DrainTerminal() {
    std::vector<Key> keys;
    auto hold = Lock();
    if (!started_) return keys;
    for (;;) {
        wint_t value = 0;
        int kind = get_wch(&value);
        if (kind == ERR) break;
        Key key;
        if (DecodeCursesKey(static_cast<int>(value), kind == KEY_CODE_YES, key)) keys.push_back(key);
    }
    return keys;
}

void Terminal::ReadKeys() {
    while (!stopping_) {
        pollfd input{0, POLLIN, 0};
        poll(&input, 1, 100);
        // Polled every tick as well: a resize arrives as a signal, not input.
        std::vector<Key> keys = DrainTerminal();
        for (size_t i = 0; i < keys.size(); ++i) {
            if (keys[i].Is(vk::Escape) && i + 1 < keys.size() && !keys[i + 1].Is(vk::Escape) && !keys[i + 1].resize) {
                Deliver(WithAlt(keys[i + 1]));
                ++i;
                continue;
            }
            Deliver(keys[i]);
        }
    }
}

ModalScope::ModalScope(Terminal& terminal) : terminal_(terminal) {
    frame_ = terminal_.PushFrame();
    auto hold = terminal_.Lock();
    under_ = terminal_.Save();
}

ModalScope::~ModalScope() {
    {
        auto hold = terminal_.Lock();
        terminal_.HideCursor();
        terminal_.Restore(under_);
    }
    terminal_.PopFrame(frame_);
}

}  // namespace vbterm
