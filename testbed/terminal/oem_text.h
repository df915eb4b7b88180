// The module's and the host's text is in the OEM code page, one byte a
// screen cell; the terminal speaks UTF-8.
#pragma once

#include <string>

namespace vbterm {

// UTF-8 for the screen: one character per OEM byte, control bytes shown as
// spaces so that nothing moves the terminal's cursor.
std::string ShownText(const std::string& oem);

// What the user typed (UTF-8) in the OEM code page; characters the code
// page lacks become '?', as the system's conversion makes them.
std::string TypedText(const std::string& utf8);

// Screen cells of UTF-8 text in which every character takes one cell.
int Utf8Cells(const std::string& utf8);

// The text with the host's hot-key marker '&' taken out; `hotKey` gets the
// position of the marked character (-1 when none). "&&" is a plain '&'.
std::string WithoutHotKey(const std::string& text, int* hotKey = nullptr);

}  // namespace vbterm
