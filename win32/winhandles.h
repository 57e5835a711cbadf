#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace quillet {

// Owners of the window's GDI and icon handles, freed when the window lets them go.
struct FontDeleter
{
    void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

struct IconDeleter
{
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

} // namespace quillet
