#pragma once

#include "winhandles.h"

#include <windows.h>

#include <string>

namespace quillet {

// What the window asks of the system: its DPI, the message font, the icon, the program's folder.

/// The DPI hwnd is shown at: its monitor's where the system tells, else the system's.
int windowDpi(HWND hwnd);
/// The DPI the system gives its metrics and fonts at.
int systemDpi();
/// The system's message font at dpi.
FontHandle messageFont(int dpi);
/// The program's icon, size pixels square.
IconHandle loadIcon(int size);
/// The folder of the running program (UTF-8), where the check's "tmp.sm" goes.
std::string applicationFolder();
/// The text of a window or control.
std::wstring windowText(HWND hwnd);

} // namespace quillet
