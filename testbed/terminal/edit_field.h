// The text of one edit field while the user types into it: the host's
// plain fields (insert mode, scrolling past their width) and fixed fields
// (overtype, never longer than their width, with an optional mask).
#pragma once

#include <string>

#include "keys.h"

namespace vbterm {

class EditField {
public:
    // `text` in the OEM code page. A fixed field with a mask takes one
    // character per mask position: '9' a digit or space, 'N' a digit, 'A' a
    // letter, 'X' anything; other mask characters stand as they are.
    EditField(std::string text, int width, bool fixed, std::string mask = std::string());

    // Acts on one key; false when the key is not the field's (Enter, Tab,
    // arrows up and down, Esc ...), true when it used it.
    bool HandleKey(const Key& key);
    // The first printable key after the field takes the focus replaces the
    // whole text, as in the host, where a field's text is marked on entry.
    void Focus();

    const std::string& Text() const { return text_; }
    int Caret() const { return caret_; }
    // The part shown, `width` cells (padded with spaces), and where the
    // caret stands in it.
    std::string Visible() const;
    int VisibleCaret() const { return caret_ - scroll_; }

private:
    bool Accepts(int position, char c) const;
    void Insert(const std::string& oem);
    void EraseBefore();
    void EraseAt();
    void Scroll();

    std::string text_;
    int width_;
    bool fixed_;
    std::string mask_;
    int caret_ = 0;
    int scroll_ = 0;
    bool fresh_ = false;
};

}  // namespace vbterm
