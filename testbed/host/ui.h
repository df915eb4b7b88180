// What the module shows, as the host records it, and the user who answers:
// a script in tests, the screen in the terminal host.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "farplugin.h"

namespace vbhost {

struct MessageCall {
    DWORD flags = 0;
    bool hasHelpTopic = false;
    std::string helpTopic;
    std::vector<std::string> items;    // as the module gave them: title first, buttons last
    int buttonsNumber = 0;             // as the module gave it
    std::vector<std::string> buttons;  // the buttons shown (FMSG_MB_* replace the module's)
    DWORD lastError = 0;               // GetLastError() when the call started
    std::string errorText;             // FMSG_ERRORTYPE: the host's text for lastError
    int result = 0;

    std::string Title() const { return items.empty() ? std::string() : items[0]; }
    // The lines between the title and the buttons, the error text first.
    std::vector<std::string> Body() const;
};

class RunningDialog;

struct DialogCall {
    bool extended = false;  // DialogEx
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool hasHelpTopic = false;
    std::string helpTopic;
    DWORD flags = 0;
    std::vector<FarDialogItem> itemsIn;   // as the module gave them
    std::vector<FarDialogItem> itemsOut;  // as written back when the dialog closed
    int result = -1;

    std::string TextIn(int index) const { return itemsIn.at(index).Data; }
    std::string TextOut(int index) const { return itemsOut.at(index).Data; }
};

// One dialog while it runs. The user's actions are made on the host's thread
// from inside the UI's RunDialog; other threads reach the dialog through
// SendDlgMessage.
class RunningDialog {
public:
    RunningDialog(DialogCall& call, FarDialogItem* moduleItems, FARWINDOWPROC proc, LONG_PTR param);

    const DialogCall& Call() const { return call_; }
    int ItemCount() const { return static_cast<int>(items_.size()); }
    std::string Text(int index) const;
    int Selected(int index) const;

    // User actions.
    void SetText(int index, const std::string& text);
    void SetSelected(int index, int selected);  // a radio button clears the others of its group
    void Press(int index);                       // a button
    void PressDefault();                         // Enter: the default button
    void Esc();
    // Runs the modal loop, serving requests from other threads, until the
    // condition holds or the dialog has closed. Returns whether it holds.
    bool WaitFor(const std::function<bool()>& condition, unsigned timeoutMs = 60000);
    bool IsClosed() const;
    int Result() const;

    // What reached the dialog through SendDlgMessage, by message number.
    int SentCount(int msg) const;
    // Every DM_SETTEXT: the item and the text, in order.
    std::vector<std::pair<int, std::string>> TextsSet() const;

    // Host side.
    LONG_PTR Send(int msg, int param1, LONG_PTR param2);  // SendDlgMessage
    LONG_PTR DefaultProc(int msg, int param1, LONG_PTR param2);
    void Open();                                  // DN_INITDIALOG
    void RunToClose(unsigned timeoutMs);          // after the UI: wait for a close
    void WriteBack();

private:
    LONG_PTR CallProc(int msg, int param1, LONG_PTR param2);
    void RequestClose(int exitCode);
    bool ServePendingClose();  // host thread, lock held
    void CloseWith(int result);

    DialogCall& call_;
    FarDialogItem* moduleItems_;
    std::vector<FarDialogItem> items_;
    FARWINDOWPROC proc_;
    LONG_PTR data_;
    std::thread::id hostThread_;

    mutable std::recursive_mutex lock_;
    std::condition_variable_any changed_;
    bool closed_ = false;
    int result_ = -1;
    bool closeRequested_ = false;
    int requestedExit_ = -1;
    std::map<int, int> sent_;
    std::vector<std::pair<int, std::string>> textsSet_;
};

class Ui {
public:
    virtual ~Ui() = default;
    // A message with buttons returns the chosen button's index or -1 (Esc);
    // one without buttons is drawn and the result is ignored.
    virtual int Message(const MessageCall& call) = 0;
    // Acts on a running dialog; the host closes a dialog left open as after
    // Esc (Dialog) or runs its loop until something closes it (DialogEx).
    virtual void RunDialog(RunningDialog& dialog) = 0;
};

// Answers in the order the test gave. A prompt with nothing scripted is a
// violation and is answered with Esc.
class ScriptedUi : public Ui {
public:
    using MessageHandler = std::function<int(const MessageCall&)>;
    using DialogHandler = std::function<void(RunningDialog&)>;

    void OnMessage(MessageHandler handler);
    void AnswerMessage(int button);
    void OnDialog(DialogHandler handler);
    // Lets the next `count` dialogs run untouched (a progress dialog closes
    // itself when its copy ends).
    void LetDialogsRun(int count = 1);
    size_t PendingMessageAnswers() const;
    size_t PendingDialogHandlers() const;
    void Clear();

    int Message(const MessageCall& call) override;
    void RunDialog(RunningDialog& dialog) override;

private:
    mutable std::mutex lock_;
    std::deque<MessageHandler> messages_;
    std::deque<DialogHandler> dialogs_;
};

}  // namespace vbhost
