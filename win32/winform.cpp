#include "winform.h"

#include "utf16_win.h"

namespace quillet {

namespace {

struct ControlClass
{
    const wchar_t *name;
    DWORD style;
    DWORD exStyle;
};

ControlClass controlClass(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Frame:
        return {L"BUTTON", BS_GROUPBOX, 0};
    case ControlKind::Label:
        return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0};
    case ControlKind::PathEdit:
        return {L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::Button:
        return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0};
    case ControlKind::Window:
    case ControlKind::LogPane:
        break;
    }
    return {nullptr, 0, 0};
}

} // namespace

FormPlace formPlace(const FormControl &control)
{
    FormPlace place {control.left, control.top, control.width, control.height};
    for (std::string_view container = control.container; !container.empty();) {
        const FormControl &outer = formControl(container);
        if (outer.kind == ControlKind::Window)
            break;
        place.left += outer.left;
        place.top += outer.top;
        container = outer.container;
    }
    return place;
}

HWND createFormControl(const FormControl &control, HWND parent)
{
    const ControlClass kind = controlClass(control.kind);
    if (!kind.name)
        return nullptr;
    return CreateWindowExW(kind.exStyle, kind.name, toUtf16(control.caption).c_str(),
        WS_CHILD | WS_VISIBLE | kind.style, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(INT_PTR(control.id)), nullptr, nullptr);
}

} // namespace quillet
