#pragma once

#include <string>
#include <string_view>

namespace quillet {

/// Shows the Windows open-file dialog, owned by the window handle owner (may be null), in the
/// current directory. The texts are in the system's code page; filter is pairs of a description
/// and its patterns, each ended by NUL. Returns the chosen full path, or "" on cancel or failure.
std::string runOpenFileDialog(
    void *owner, std::string_view title, std::string_view filter, std::string_view defaultName);

} // namespace quillet
