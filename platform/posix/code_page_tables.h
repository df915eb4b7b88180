// The byte-to-UTF-16 tables of the single-byte code pages the subset knows.
// Bytes 0x00-0x7F are ASCII in each of them; the tables hold 0x80-0xFF.
#pragma once

namespace vbplatform::detail {

// The 128 characters of bytes 0x80-0xFF of a code page (437, 866 or 1252),
// or null for a code page the subset does not know.
const char16_t* UpperHalfOf(unsigned codePage);

}  // namespace vbplatform::detail
