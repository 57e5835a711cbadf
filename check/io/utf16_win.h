#pragma once

#include <string>
#include <string_view>

// Windows names files in UTF-16; the core and its front ends hold paths in UTF-8.
namespace quillet {

/// UTF-8 to UTF-16; an invalid byte becomes U+FFFD.
std::wstring toUtf16(std::string_view utf8);
/// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string toUtf8(std::wstring_view utf16);

} // namespace quillet
