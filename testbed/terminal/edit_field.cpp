#include "edit_field.h"

#include <cctype>

#include "oem_text.h"

namespace vbterm {

EditField::EditField(std::string text, int width, bool fixed, std::string mask)
    : text_(std::move(text)), width_(width < 1 ? 1 : width), fixed_(fixed), mask_(std::move(mask)) {
    int limit = mask_.empty() ? width_ : static_cast<int>(mask_.size());
    if (fixed_ && static_cast<int>(text_.size()) > limit) text_.resize(static_cast<size_t>(limit));
    caret_ = fixed_ ? 0 : static_cast<int>(text_.size());
    Scroll();
}

void EditField::Focus() {
    fresh_ = true;
    caret_ = fixed_ ? 0 : static_cast<int>(text_.size());
    Scroll();
}

bool EditField::Accepts(int position, char c) const {
    if (mask_.empty()) return true;
    if (position < 0 || position >= static_cast<int>(mask_.size())) return false;
    unsigned char u = static_cast<unsigned char>(c);
    switch (mask_[static_cast<size_t>(position)]) {
        case '9': return std::isdigit(u) || c == ' ';
        case 'N': return std::isdigit(u) != 0;
        case 'A': return std::isalpha(u) != 0 || u >= 0x80;
        case 'X': return true;
        default: return c == mask_[static_cast<size_t>(position)];
    }
}

void EditField::Insert(const std::string& oem) {
    for (char c : oem) {
        if (!fixed_) {
            text_.insert(static_cast<size_t>(caret_), 1, c);
            ++caret_;
            continue;
        }
        int limit = mask_.empty() ? width_ : static_cast<int>(mask_.size());
        if (caret_ >= limit || !Accepts(caret_, c)) return;
        if (caret_ < static_cast<int>(text_.size()))
            text_[static_cast<size_t>(caret_)] = c;
        else
            text_ += c;
        // The caret of a full fixed field stays on its last cell.
        if (caret_ < limit - 1) ++caret_;
    }
}

// A fixed field keeps its length: an erased character becomes a space.
void EditField::EraseBefore() {
    if (caret_ == 0) return;
    --caret_;
    EraseAt();
}

void EditField::EraseAt() {
    if (caret_ >= static_cast<int>(text_.size())) return;
    if (fixed_) {
        text_[static_cast<size_t>(caret_)] = ' ';
        while (!text_.empty() && text_.back() == ' ') text_.pop_back();
    } else {
        text_.erase(static_cast<size_t>(caret_), 1);
    }
}

void EditField::Scroll() {
    if (fixed_) return;  // a fixed field never holds more than it shows
    if (caret_ < scroll_) scroll_ = caret_;
    if (caret_ >= scroll_ + width_) scroll_ = caret_ - width_ + 1;
    if (scroll_ < 0) scroll_ = 0;
}

bool EditField::HandleKey(const Key& key) {
    bool typed = !key.text.empty() && (key.modifiers & (Control | Alt)) == 0;
    bool wasFresh = fresh_;
    fresh_ = false;
    if (typed) {
        if (wasFresh) {
            text_.clear();
            caret_ = 0;
        }
        Insert(TypedText(key.text));
    } else if (key.Is(vk::Left)) {
        if (caret_ > 0) --caret_;
    } else if (key.Is(vk::Right)) {
        int limit = fixed_ ? width_ - 1 : static_cast<int>(text_.size());
        if (caret_ < limit && caret_ < static_cast<int>(text_.size())) ++caret_;
    } else if (key.Is(vk::Home)) {
        caret_ = 0;
    } else if (key.Is(vk::End)) {
        caret_ = static_cast<int>(text_.size());
        if (fixed_ && caret_ >= width_) caret_ = width_ - 1;
    } else if (key.Is(vk::Back)) {
        EraseBefore();
    } else if (key.Is(vk::Delete)) {
        EraseAt();
    } else if (key.Is('Y', Control)) {
        text_.clear();
        caret_ = 0;
    } else {
        fresh_ = wasFresh;
        return false;
    }
    Scroll();
    return true;
}

std::string EditField::Visible() const {
    std::string shown = text_.substr(static_cast<size_t>(scroll_) < text_.size() ? static_cast<size_t>(scroll_) : text_.size());
    if (static_cast<int>(shown.size()) > width_) shown.resize(static_cast<size_t>(width_));
    shown.append(static_cast<size_t>(width_) - shown.size(), ' ');
    return shown;
}

}  // namespace vbterm
