// Dialogs, drawn at their items' coordinates and driven from the keyboard.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <map>
#include <memory>

#include "edit_field.h"
#include "layout.h"
#include "oem_text.h"
#include "views.h"

namespace vbterm {

namespace {

struct DialogColours {
    Colour normal, highlight, focus, edit;
};

const DialogColours kDialogColours{Colour::Dialog, Colour::DialogHighlight, Colour::DialogFocus, Colour::DialogEdit};

class DialogBox {
public:
    DialogBox(Terminal& terminal, vbhost::RunningDialog& dialog, const HelpRequest& help)
        : terminal_(terminal), dialog_(dialog), help_(help), items_(dialog.Call().itemsIn) {
        order_ = FocusOrder(items_);
        for (size_t i = 0; i < order_.size(); ++i)
            if (items_[static_cast<size_t>(order_[i])].Focus) focus_ = static_cast<int>(i);
        for (int index : order_) {
            const FarDialogItem& item = items_[static_cast<size_t>(index)];
            if (!IsEditItem(item)) continue;
            bool fixed = item.Type == DI_FIXEDIT;
            std::string mask = fixed && (item.Flags & DIF_MASKEDIT) && item.Mask ? item.Mask : "";
            edits_.emplace(index, EditField(item.Data, std::max(1, item.X2 - item.X1 + 1), fixed, mask));
        }
        EnterFocused();
    }

    void Run(int frame);

private:
    int Focused() const { return order_.empty() ? -1 : order_[static_cast<size_t>(focus_)]; }
    void EnterFocused();
    void MoveFocus(int step);
    void Snapshot();
    void Draw();
    void DrawItem(size_t index, const ItemPlace& place);
    void DrawLabel(int y, int x, const ItemPlace& place, const std::string& prefix, const std::string& suffix,
                   Colour colour, Colour highlight);
    void Handle(const Key& key);
    bool HandleHotKey(const Key& key);
    void Activate(int index);

    Terminal& terminal_;
    vbhost::RunningDialog& dialog_;
    const HelpRequest& help_;
    std::vector<FarDialogItem> items_;  // as last seen: texts and marks from the running dialog
    std::vector<int> order_;
    int focus_ = 0;
    std::map<int, EditField> edits_;
    int frame_ = 0;
};

void DialogBox::EnterFocused() {
    auto edit = edits_.find(Focused());
    if (edit != edits_.end()) edit->second.Focus();
}

void DialogBox::MoveFocus(int step) {
    if (order_.empty()) return;
    int count = static_cast<int>(order_.size());
    focus_ = (focus_ + step + count) % count;
    EnterFocused();
}

// The dialog's items as they stand now; other threads change them only
// through the dialog, under its lock.
void DialogBox::Snapshot() {
    for (int i = 0; i < dialog_.ItemCount(); ++i) {
        FarDialogItem& item = items_[static_cast<size_t>(i)];
        std::string text = dialog_.Text(i);
        size_t length = std::min(text.size(), sizeof item.Data - 1);
        text.copy(item.Data, length);
        item.Data[length] = 0;
        if (item.Type == DI_CHECKBOX || item.Type == DI_RADIOBUTTON) item.Selected = dialog_.Selected(i);
    }
}

void DialogBox::DrawLabel(int y, int x, const ItemPlace& place, const std::string& prefix, const std::string& suffix,
                          Colour colour, Colour highlight) {
    terminal_.Put(y, x, prefix, colour);
    int prefixCells = Utf8Cells(prefix);
    int at = x + prefixCells;
    terminal_.PutOem(y, at, place.label, colour, std::max(0, place.width - prefixCells));
    if (place.hotKey >= 0 && place.hotKey < static_cast<int>(place.label.size()))
        terminal_.PutOem(y, at + place.hotKey, place.label.substr(static_cast<size_t>(place.hotKey), 1), highlight);
    terminal_.Put(y, at + static_cast<int>(place.label.size()), suffix, colour);
}

void DialogBox::DrawItem(size_t index, const ItemPlace& place) {
    const FarDialogItem& item = items_[index];
    const DialogColours& colours = kDialogColours;
    bool focused = static_cast<int>(index) == Focused();
    Colour colour = focused ? colours.focus : colours.normal;
    switch (item.Type) {
        case DI_DOUBLEBOX:
        case DI_SINGLEBOX: {
            Rect box{place.x, place.y, place.x2 - place.x + 1, place.y2 - place.y + 1};
            terminal_.Frame(box, item.Type == DI_DOUBLEBOX ? Line::Double : Line::Single, colours.normal);
            if (!place.label.empty()) {
                int x = box.left + (box.width - static_cast<int>(place.label.size()) - 2) / 2;
                terminal_.PutOem(box.top, x, " " + place.label + " ", colours.normal);
            }
            break;
        }
        case DI_TEXT:
        case DI_VTEXT:
            if (item.Flags & DIF_SEPARATOR) {
                bool twin = false;
                for (const FarDialogItem& other : items_)
                    if (other.Type == DI_DOUBLEBOX && item.Y1 > other.Y1 && item.Y1 < other.Y2) twin = true;
                terminal_.Rule(place.y, place.x, place.x2, twin ? Line::Double : Line::Single, colours.normal);
                if (!place.label.empty()) {
                    int x = place.x + (place.width - static_cast<int>(place.label.size()) - 2) / 2;
                    terminal_.PutOem(place.y, x, " " + place.label + " ", colours.normal);
                }
            } else {
                DrawLabel(place.y, place.x, place, "", "", colours.normal, colours.highlight);
            }
            break;
        case DI_BUTTON: {
            bool isDefault = item.DefaultButton != 0;
            DrawLabel(place.y, place.x, place, isDefault ? "{ " : "[ ", isDefault ? " }" : " ]", colour,
                      focused ? colour : colours.highlight);
            break;
        }
        case DI_CHECKBOX:
            DrawLabel(place.y, place.x, place, item.Selected ? "[x] " : "[ ] ", "", colour,
                      focused ? colour : colours.highlight);
            break;
        case DI_RADIOBUTTON:
            DrawLabel(place.y, place.x, place, item.Selected ? "(•) " : "( ) ", "", colour,
                      focused ? colour : colours.highlight);
            break;
        case DI_EDIT:
        case DI_PSWEDIT:
        case DI_FIXEDIT:
        case DI_COMBOBOX: {
            auto edit = edits_.find(static_cast<int>(index));
            std::string shown = edit != edits_.end() ? edit->second.Visible() : place.label;
            if (item.Type == DI_PSWEDIT)
                for (char& c : shown) if (c != ' ') c = '*';
            terminal_.Fill({place.x, place.y, place.width, 1}, colours.edit);
            terminal_.PutOem(place.y, place.x, shown, colours.edit, place.width);
            break;
        }
        default:
            break;
    }
}

void DialogBox::Draw() {
    Snapshot();
    auto hold = terminal_.Lock();
    // A box another thread opened over this dialog keeps the screen.
    if (!terminal_.IsTopFrame(frame_)) return;
    const vbhost::DialogCall& call = dialog_.Call();
    DialogLayout layout = LayOutDialog(call.x1, call.y1, call.x2, call.y2, items_, terminal_.Width(), terminal_.Height());
    terminal_.Fill(layout.area, kDialogColours.normal);
    for (size_t i = 0; i < items_.size(); ++i) DrawItem(i, layout.items[i]);
    auto edit = edits_.find(Focused());
    if (edit != edits_.end()) {
        const ItemPlace& place = layout.items[static_cast<size_t>(edit->first)];
        terminal_.ShowCursor(place.y, place.x + edit->second.VisibleCaret());
    } else {
        terminal_.HideCursor();
    }
    terminal_.Refresh();
}

// A button is pressed, a check box flips, a radio button is chosen, an
// edit field takes the focus.
void DialogBox::Activate(int index) {
    auto position = std::find(order_.begin(), order_.end(), index);
    if (position == order_.end()) return;
    focus_ = static_cast<int>(position - order_.begin());
    EnterFocused();
    if (!IsEditItem(items_[static_cast<size_t>(index)])) dialog_.Press(index);
}

// Alt+letter anywhere, a plain letter away from edit fields. A text's hot
// key leads to the item after it.
bool DialogBox::HandleHotKey(const Key& key) {
    char wanted = 0;
    if ((key.modifiers & Alt) && key.code >= 'A' && key.code <= 'Z') wanted = static_cast<char>(key.code);
    if (key.IsText() && key.text.size() == 1 && !edits_.count(Focused())) wanted = key.text[0];
    if (!wanted) return false;
    wanted = static_cast<char>(std::tolower(static_cast<unsigned char>(wanted)));
    for (size_t i = 0; i < items_.size(); ++i) {
        int marked = -1;
        std::string label = WithoutHotKey(items_[i].Data, &marked);
        if (marked < 0 || std::tolower(static_cast<unsigned char>(label[static_cast<size_t>(marked)])) != wanted) continue;
        if (IsEditItem(items_[i])) continue;
        size_t target = i;
        if (items_[i].Type == DI_TEXT)
            while (target < items_.size() && !CanTakeFocus(items_[target])) ++target;
        if (target < items_.size()) Activate(static_cast<int>(target));
        return true;
    }
    return false;
}

void DialogBox::Handle(const Key& key) {
    int focused = Focused();
    auto edit = edits_.find(focused);
    const FarDialogItem* item = focused >= 0 ? &items_[static_cast<size_t>(focused)] : nullptr;
    if (key.Is(vk::Escape) || key.Is(vk::F(10))) {
        dialog_.Esc();
    } else if (key.Is(vk::Return)) {
        if (item && item->Type == DI_BUTTON) dialog_.Press(focused);
        else dialog_.PressDefault();
    } else if (key.Is(vk::F1)) {
        if (help_) help_(dialog_.Call().helpTopic);
    } else if (key.Is(vk::Tab) || key.Is(vk::Down)) {
        MoveFocus(1);
    } else if (key.Is(vk::Tab, Shift) || key.Is(vk::Up)) {
        MoveFocus(-1);
    } else if (edit != edits_.end() && edit->second.HandleKey(key)) {
        dialog_.SetText(focused, edit->second.Text());
    } else if (key.Is(vk::Right)) {
        MoveFocus(1);
    } else if (key.Is(vk::Left)) {
        MoveFocus(-1);
    } else if (key.Is(vk::Space) && item && !IsEditItem(*item)) {
        dialog_.Press(focused);
    } else {
        HandleHotKey(key);
    }
}

void DialogBox::Run(int frame) {
    frame_ = frame;
    using Clock = std::chrono::steady_clock;
    while (!dialog_.IsClosed()) {
        int textsSeen = dialog_.SentCount(DM_SETTEXT);
        Draw();
        // The modal loop's idle tick: a key, a text another thread changed,
        // or a quarter of a second, whichever comes first.
        Clock::time_point tick = Clock::now() + std::chrono::milliseconds(250);
        dialog_.WaitFor([&] {
            return terminal_.KeyWaiting(frame) || dialog_.SentCount(DM_SETTEXT) != textsSeen || Clock::now() >= tick;
        });
        Key key;
        while (!dialog_.IsClosed() && terminal_.NextKey(frame, key, 0)) Handle(key);
    }
}

}  // namespace

void RunDialogBox(Terminal& terminal, vbhost::RunningDialog& dialog, const HelpRequest& help) {
    ModalScope scope(terminal);
    DialogBox box(terminal, dialog, help);
    box.Run(scope.Frame());
}

}  // namespace vbterm
