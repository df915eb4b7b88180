// UTF-8 and UTF-16 conversions shared by the code pages, the trace sink and
// the file names.
#pragma once

#include <string>

namespace vbplatform::detail {

// Ill-formed input becomes U+FFFD, one per offending byte or unit;
// *invalid (when given) tells whether that happened.
std::u16string Utf8ToUtf16(const std::string& utf8, bool* invalid = nullptr);
std::string Utf16ToUtf8(const std::u16string& utf16);

}  // namespace vbplatform::detail
