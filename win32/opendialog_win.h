#pragma once

#include <string>
#include <string_view>

namespace quillet {

/// Shows the Windows open-file dialog, owned by the window handle owner (may be null), in the
/// current directory; filter is pairs of a description and its patterns, each ended by NUL.
/// Returns the chosen full path, or "" on cancel or failure.
std::wstring runOpenFileDialog(
    void *owner, std::wstring_view title, std::wstring_view filter, std::wstring_view defaultName);

} // namespace quillet
