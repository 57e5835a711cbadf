#pragma once

#include "windowform.h"

#include <windows.h>

namespace quillet {

// The form table's controls as Win32 child windows.

struct FormPlace
{
    int left, top, width, height;
};

/// The control's place in the window's client area, in twips: its containers' offsets added.
FormPlace formPlace(const FormControl &control);
/// Creates control (not the window, nor the log pane, which has a class of its own) as parent's
/// child with the control's ID, at no size until the window lays it out; null on failure.
HWND createFormControl(const FormControl &control, HWND parent);

} // namespace quillet
