#include "ui.h"

#include <chrono>
#include <cstring>

#include "violations.h"

namespace vbhost {

std::vector<std::string> MessageCall::Body() const {
    std::vector<std::string> body;
    if (!errorText.empty()) body.push_back(errorText);
    int last = static_cast<int>(items.size()) - ((flags & FMSG_MB_MASK) ? 0 : buttonsNumber);
    for (int i = 1; i < last; ++i) body.push_back(items[i]);
    return body;
}

static void CopyText(char (&data)[512], const char* text, size_t length) {
    if (length > sizeof data - 1) length = sizeof data - 1;
    std::memcpy(data, text, length);
    data[length] = 0;
}

RunningDialog::RunningDialog(DialogCall& call, FarDialogItem* moduleItems, FARWINDOWPROC proc,
                             LONG_PTR param)
    : call_(call),
      moduleItems_(moduleItems),
      items_(call.itemsIn),
      proc_(proc),
      data_(param),
      hostThread_(std::this_thread::get_id()) {}

std::string RunningDialog::Text(int index) const {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return items_.at(index).Data;
}

int RunningDialog::Selected(int index) const {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return items_.at(index).Selected;
}

LONG_PTR RunningDialog::CallProc(int msg, int param1, LONG_PTR param2) {
    if (proc_) return proc_(reinterpret_cast<HANDLE>(this), msg, param1, param2);
    return DefaultProc(msg, param1, param2);
}

LONG_PTR RunningDialog::DefaultProc(int msg, int, LONG_PTR) {
    switch (msg) {
        case DN_CLOSE: return TRUE;
        case DN_BTNCLICK: return FALSE;
        default: return 0;
    }
}

void RunningDialog::Open() {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    CallProc(DN_INITDIALOG, 0, data_);
}

LONG_PTR RunningDialog::Send(int msg, int param1, LONG_PTR param2) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    ++sent_[msg];
    LONG_PTR result = 0;
    switch (msg) {
        case DM_CLOSE:
            RequestClose(param1);
            result = TRUE;
            break;
        case DM_GETDLGDATA:
            result = data_;
            break;
        case DM_SETDLGDATA:
            result = data_;
            data_ = param2;
            break;
        case DM_SETTEXT: {
            const FarDialogItemData* data = reinterpret_cast<const FarDialogItemData*>(param2);
            if (param1 < 0 || param1 >= ItemCount() || !data || !data->PtrData) break;
            size_t limit = data->PtrLength < 0 ? 0 : static_cast<size_t>(data->PtrLength);
            if (limit > 511) limit = 511;
            size_t length = 0;
            while (length < limit && data->PtrData[length]) ++length;
            CopyText(items_[param1].Data, data->PtrData, length);
            textsSet_.emplace_back(param1, items_[param1].Data);
            result = static_cast<LONG_PTR>(length);
            break;
        }
        case DM_GETTEXT: {
            FarDialogItemData* data = reinterpret_cast<FarDialogItemData*>(param2);
            if (param1 < 0 || param1 >= ItemCount()) break;
            size_t length = std::strlen(items_[param1].Data);
            if (data && data->PtrData) {
                size_t room = data->PtrLength < 0 ? 0 : static_cast<size_t>(data->PtrLength);
                if (length > room) length = room;
                std::memcpy(data->PtrData, items_[param1].Data, length);
                data->PtrData[length] = 0;
            }
            result = static_cast<LONG_PTR>(length);
            break;
        }
        case DM_ENABLE:
        case DM_REDRAW:
        case DM_SETFOCUS:
            result = TRUE;
            break;
        default:
            result = CallProc(msg, param1, param2);
            break;
    }
    changed_.notify_all();
    return result;
}

void RunningDialog::RequestClose(int exitCode) {
    closeRequested_ = true;
    requestedExit_ = exitCode;
}

static bool CanFocus(const FarDialogItem& item) {
    switch (item.Type) {
        case DI_EDIT: case DI_PSWEDIT: case DI_FIXEDIT: case DI_BUTTON:
        case DI_CHECKBOX: case DI_RADIOBUTTON: case DI_COMBOBOX: case DI_LISTBOX:
            return (item.Flags & DIF_NOFOCUS) == 0;
        default:
            return false;
    }
}

bool RunningDialog::ServePendingClose() {
    if (!closeRequested_ || closed_) return false;
    closeRequested_ = false;
    int exitCode = requestedExit_;
    if (exitCode == -1) {
        for (int i = 0; i < ItemCount(); ++i)
            if (items_[i].Focus) exitCode = i;
        for (int i = 0; exitCode == -1 && i < ItemCount(); ++i)
            if (CanFocus(items_[i])) exitCode = i;
    }
    if (CallProc(DN_CLOSE, exitCode, 0)) CloseWith(exitCode);
    return true;
}

void RunningDialog::CloseWith(int result) {
    closed_ = true;
    result_ = result;
    changed_.notify_all();
}

void RunningDialog::SetText(int index, const std::string& text) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    CopyText(items_.at(index).Data, text.c_str(), text.size());
}

void RunningDialog::SetSelected(int index, int selected) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    FarDialogItem& item = items_.at(index);
    if (item.Type == DI_RADIOBUTTON && selected) {
        int first = index;
        while (first > 0 && !(items_[first].Flags & DIF_GROUP) &&
               items_[first - 1].Type == DI_RADIOBUTTON)
            --first;
        for (int i = first; i < ItemCount() && items_[i].Type == DI_RADIOBUTTON; ++i) {
            if (i > first && (items_[i].Flags & DIF_GROUP)) break;
            items_[i].Selected = 0;
        }
    }
    item.Selected = selected;
    CallProc(DN_BTNCLICK, index, selected);
    ServePendingClose();
}

void RunningDialog::Press(int index) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (closed_) return;
    const FarDialogItem& item = items_.at(index);
    if (item.Type == DI_CHECKBOX) {
        SetSelected(index, item.Selected ? 0 : 1);
        return;
    }
    if (item.Type == DI_RADIOBUTTON) {
        SetSelected(index, 1);
        return;
    }
    if (!CallProc(DN_BTNCLICK, index, 0)) {
        if (CallProc(DN_CLOSE, index, 0)) CloseWith(index);
    }
    ServePendingClose();
}

void RunningDialog::PressDefault() {
    int target = -1;
    {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        for (int i = 0; i < ItemCount(); ++i)
            if (items_[i].DefaultButton) target = i;
    }
    if (target >= 0) {
        Press(target);
        return;
    }
    std::lock_guard<std::recursive_mutex> hold(lock_);
    RequestClose(-1);
    ServePendingClose();
}

void RunningDialog::Esc() {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (closed_) return;
    if (CallProc(DN_CLOSE, -1, 0)) CloseWith(-1);
    ServePendingClose();
}

bool RunningDialog::WaitFor(const std::function<bool()>& condition, unsigned timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::recursive_mutex> hold(lock_);
    for (;;) {
        ServePendingClose();
        if (condition()) return true;
        if (closed_) return false;
        if (std::chrono::steady_clock::now() >= deadline) {
            ReportViolation("a dialog waited too long for its condition");
            return false;
        }
        // The idle tick of the modal loop: requests from other threads wake
        // it at once, conditions outside the dialog are looked at each tick.
        changed_.wait_for(hold, std::chrono::milliseconds(20));
    }
}

bool RunningDialog::IsClosed() const {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return closed_;
}

int RunningDialog::Result() const {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return result_;
}

int RunningDialog::SentCount(int msg) const {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    auto found = sent_.find(msg);
    return found == sent_.end() ? 0 : found->second;
}

std::vector<std::pair<int, std::string>> RunningDialog::TextsSet() const {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return textsSet_;
}

void RunningDialog::RunToClose(unsigned timeoutMs) {
    if (IsClosed()) return;
    if (!proc_) {
        Esc();
        return;
    }
    if (!WaitFor([this] { return closed_; }, timeoutMs)) {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        if (!closed_) {
            ReportViolation("a dialog was never closed");
            CloseWith(-1);
        }
    }
}

void RunningDialog::WriteBack() {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    for (size_t i = 0; i < items_.size(); ++i) moduleItems_[i] = items_[i];
    call_.itemsOut = items_;
    call_.result = result_;
}

void ScriptedUi::OnMessage(MessageHandler handler) {
    std::lock_guard<std::mutex> hold(lock_);
    messages_.push_back(std::move(handler));
}

void ScriptedUi::AnswerMessage(int button) {
    OnMessage([button](const MessageCall&) { return button; });
}

void ScriptedUi::OnDialog(DialogHandler handler) {
    std::lock_guard<std::mutex> hold(lock_);
    dialogs_.push_back(std::move(handler));
}

void ScriptedUi::LetDialogsRun(int count) {
    for (int i = 0; i < count; ++i) OnDialog([](RunningDialog&) {});
}

size_t ScriptedUi::PendingMessageAnswers() const {
    std::lock_guard<std::mutex> hold(lock_);
    return messages_.size();
}

size_t ScriptedUi::PendingDialogHandlers() const {
    std::lock_guard<std::mutex> hold(lock_);
    return dialogs_.size();
}

void ScriptedUi::Clear() {
    std::lock_guard<std::mutex> hold(lock_);
    messages_.clear();
    dialogs_.clear();
}

int ScriptedUi::Message(const MessageCall& call) {
    if (call.buttons.empty()) return 0;
    MessageHandler handler;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (messages_.empty()) {
            ReportViolation("unexpected message: " + call.Title() +
                            (call.Body().empty() ? std::string() : " / " + call.Body()[0]));
            return -1;
        }
        handler = std::move(messages_.front());
        messages_.pop_front();
    }
    return handler(call);
}

void ScriptedUi::RunDialog(RunningDialog& dialog) {
    DialogHandler handler;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (dialogs_.empty()) {
            ReportViolation("unexpected dialog: " +
                            (dialog.ItemCount() > 0 ? dialog.Text(0) : std::string()));
            dialog.Esc();
            return;
        }
        handler = std::move(dialogs_.front());
        dialogs_.pop_front();
    }
    handler(dialog);
}

}  // namespace vbhost
