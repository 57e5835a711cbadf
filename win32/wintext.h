#pragma once

#include <string>
#include <string_view>

namespace quillet {

/// Text in the process's code page as UTF-16. Under the program's manifest the code page is
/// UTF-8, so every name survives the trip; elsewhere what the code page lacks becomes '?'.
std::wstring toWide(std::string_view text);
/// UTF-16 text in the process's code page, as the 8-bit file calls take it.
std::string toNarrow(std::wstring_view text);

} // namespace quillet
