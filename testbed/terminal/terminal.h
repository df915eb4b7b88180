// The screen and the keyboard: ncurses behind one lock, and a reader thread
// that hands each key to whoever owns the keyboard at the moment.
//
// Every ncurses call happens with the screen lock held, whichever thread
// makes it (the host's thread draws panels and dialogs; a copy worker's
// thread may show an error box; the reader thread reads keys).
//
// The keyboard belongs to the topmost modal frame (a message box, a dialog,
// a menu), else to the main loop. While the host's thread is inside the
// module with no frame open, keys go to the console input queue instead,
// where the module's own polling finds them (Esc during the connection
// wait).
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "keys.h"
#include "layout.h"

namespace vbterm {

enum class Colour {
    Panel, PanelDirectory, PanelSelected, PanelCursor, PanelCursorSelected, PanelTitle, PanelTitleActive,
    KeyNumber, KeyLabel, CommandLine,
    Dialog, DialogHighlight, DialogFocus, DialogEdit,
    Warning, WarningHighlight, WarningFocus, WarningEdit,
    Help, HelpHighlight, HelpLink, HelpLinkSelected,
    Count
};

// Box-drawing characters of a frame.
enum class Line { Single, Double };

class Terminal {
public:
    Terminal();
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // Takes the terminal over (full screen, raw keys) and starts reading
    // keys; false when there is no terminal to take.
    bool Start();
    void Stop();

    // ---- Drawing: only with the lock held ---------------------------------------
    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(screen_); }
    int Width() const;
    int Height() const;
    void Fill(const Rect& rect, Colour colour);
    // Text at a cell, cut to `width` cells (-1: to the screen's edge).
    void Put(int y, int x, const std::string& utf8, Colour colour, int width = -1);
    void PutOem(int y, int x, const std::string& oem, Colour colour, int width = -1);
    void Frame(const Rect& rect, Line line, Colour colour);
    // A horizontal rule from x1 to x2 that joins a frame of `frame` lines.
    void Rule(int y, int x1, int x2, Line frame, Colour colour);
    void ShowCursor(int y, int x);
    void HideCursor();
    void Refresh();
    void Clear();

    // The whole screen, to put back when a modal box closes.
    struct Snapshot;
    Snapshot* Save();
    void Restore(Snapshot* snapshot);  // and frees it

    // ---- Keys -----------------------------------------------------------------------
    // A modal frame takes the keyboard until it is popped.
    int PushFrame();
    void PopFrame(int frame);
    bool IsTopFrame(int frame);
    // The next key for a frame (0: the main loop), waiting at most
    // `timeoutMs`; false when none came.
    bool NextKey(int frame, Key& key, int timeoutMs);
    bool KeyWaiting(int frame);
    // While the module runs with no frame open, keys go to its console
    // input queue.
    void SetModuleRunning(bool running);
    // Feeds a key as if typed (tests of the views, and the reader thread).
    void Deliver(const Key& key);

private:
    void ReadKeys();
    std::vector<Key> DrainTerminal();

    std::mutex screen_;
    bool started_ = false;

    std::mutex keysLock_;
    std::condition_variable keysArrived_;
    std::deque<Key> keys_;
    std::vector<int> frames_;
    int nextFrame_ = 1;
    bool moduleRunning_ = false;

    std::atomic<bool> stopping_{false};
    std::thread reader_;
};

// Holds a modal frame and the screen under it for one box's life.
class ModalScope {
public:
    explicit ModalScope(Terminal& terminal);
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
    int Frame() const { return frame_; }

private:
    Terminal& terminal_;
    int frame_;
    Terminal::Snapshot* under_;
};

// Marks the host's thread as inside the module for a scope.
class ModuleCall {
public:
    explicit ModuleCall(Terminal& terminal) : terminal_(terminal) { terminal_.SetModuleRunning(true); }
    ~ModuleCall();
    ModuleCall(const ModuleCall&) = delete;
    ModuleCall& operator=(const ModuleCall&) = delete;

private:
    Terminal& terminal_;
};

}  // namespace vbterm
