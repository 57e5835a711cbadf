#include "winmainwindow.h"

#include "opendialog_win.h"
#include "resource.h"
#include "winform.h"
#include "winsystem.h"

#include "checkview.h"
#include "utf16_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <utility>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace quillet {

namespace {

constexpr wchar_t windowClassName[] = L"QuilletWindow";
constexpr DWORD windowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

} // namespace

// Turns the session's calls into control updates.
class WinMainWindow::SessionView : public CheckView
{
public:
    explicit SessionView(WinMainWindow &window)
        : m_window(window)
    { }

    void logAppended(std::size_t lineCount) override { m_window.m_logPane.showLines(lineCount); }
    void logCleared() override { m_window.m_logPane.showLines(0); }
    void setCheckEnabled(bool enabled) override { m_window.setCheckEnabled(enabled); }
    void processEvents() override { m_window.processEvents(); }

private:
    WinMainWindow &m_window;
};

WinMainWindow::WinMainWindow()
    : m_view(std::make_unique<SessionView>(*this))
    , m_session(*m_view, applicationFolder())
    , m_logPane(m_session.log())
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUILLET));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = windowClassName;
    // A second window in the same process finds the class already there.
    RegisterClassExW(&windowClass);

    const INITCOMMONCONTROLSEX controls {sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    CreateWindowExW(0, windowClassName, toUtf16(formControl("Form1").caption).c_str(), windowStyle,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance,
        this);
}

WinMainWindow::~WinMainWindow()
{
    if (m_hwnd)
        DestroyWindow(m_hwnd);
}

void WinMainWindow::setPumpInterval(std::chrono::milliseconds interval)
{
    m_session.setPumpInterval(interval);
}

void WinMainWindow::processEvents()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Asked to quit during a check: abandon it, and leave the quit to the outer loop.
            m_session.close();
            PostQuitMessage(int(message.wParam));
            return;
        }
        dispatch(message);
    }
}

void WinMainWindow::dispatch(MSG &message)
{
    if (m_hwnd && IsDialogMessageW(m_hwnd, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void WinMainWindow::setCheckEnabled(bool enabled)
{
    const HWND button = control(CheckButtonId);
    // A disabled control with the focus would leave the keyboard with nowhere to go.
    if (!enabled && GetFocus() == button)
        SetFocus(GetNextDlgTabItem(m_hwnd, button, FALSE));
    EnableWindow(button, enabled);
}

LRESULT CALLBACK WinMainWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *const self = static_cast<WinMainWindow *>(
            reinterpret_cast<const CREATESTRUCTW *>(lParam)->lpCreateParams);
        self->m_hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto *const self = reinterpret_cast<WinMainWindow *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->m_hwnd = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return self->handleMessage(message, wParam, lParam);
}

LRESULT WinMainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return onCreate() ? 0 : -1;
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DRAWITEM: {
        const auto &item = *reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        if (item.CtlID != LogPaneId)
            break;
        m_logPane.drawItem(item);
        return TRUE;
    }
    case WM_DROPFILES:
        onDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_DPICHANGED:
        onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT *>(lParam));
        return 0;
    case WM_ACTIVATE:
        // Switching back to the window puts the keyboard where it was.
        if (LOWORD(wParam) == WA_INACTIVE)
            m_focus = GetFocus();
        break;
    case WM_SETFOCUS:
        SetFocus(m_focus && IsChild(m_hwnd, m_focus) ? m_focus : control(PathEditId));
        return 0;
    case WM_CLOSE:
        onClose();
        return 0;
    case WM_DESTROY:
        // Destroyed from outside during a check: the check unwinds at its next pump.
        m_session.close();
        return 0;
    }
    return DefWindowProcW(m_hwnd, message, wParam, lParam);
}

bool WinMainWindow::onCreate()
{
    // Created in tab order: Tab and the dialog keys follow the creation order.
    std::array rows = windowForm;
    std::ranges::stable_sort(rows, {}, &FormControl::tabIndex);
    for (const FormControl &row : rows) {
        if (row.kind == ControlKind::Window)
            continue;
        const HWND hwnd = row.kind == ControlKind::LogPane ? m_logPane.create(m_hwnd, row.id)
                                                           : createFormControl(row, m_hwnd);
        if (!hwnd)
            return false;
    }
    DragAcceptFiles(m_hwnd, TRUE);
    applyDpi(windowDpi(m_hwnd));
    const SIZE size = windowSize();
    SetWindowPos(
        m_hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetFocus(control(PathEditId));
    return true;
}

void WinMainWindow::onCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case CheckButtonId:
        runCheck();
        break;
    case BrowseButtonId:
        browseForChart();
        break;
    case IDOK:
        // Enter, which the dialog keys turn into IDOK: in the path field it checks.
        if (GetFocus() == control(PathEditId))
            runCheck();
        break;
    }
}

void WinMainWindow::onClose()
{
    m_session.close();
    // A check under way unwinds at its next pump; runCheck() then destroys the window.
    if (m_session.isChecking()) {
        m_closeRequested = true;
        return;
    }
    DestroyWindow(m_hwnd);
}

void WinMainWindow::onDpiChanged(int dpi, const RECT &suggested)
{
    applyDpi(dpi);
    const SIZE size = windowSize();
    SetWindowPos(m_hwnd, nullptr, suggested.left, suggested.top, size.cx, size.cy,
        SWP_NOZORDER | SWP_NOACTIVATE);
}

void WinMainWindow::onDropFiles(HDROP drop)
{
    std::wstring path;
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        path.resize(DragQueryFileW(drop, 0, nullptr, 0) + 1);
        path.resize(DragQueryFileW(drop, 0, path.data(), UINT(path.size())));
    }
    DragFinish(drop);
    if (!path.empty())
        chooseChart(path);
}

void WinMainWindow::runCheck()
{
    m_session.check(toUtf8(windowText(control(PathEditId))));
    // Closed during the check, which has now unwound. A refused nested call changes nothing.
    if (m_closeRequested && !m_session.isChecking())
        DestroyWindow(m_hwnd);
}

void WinMainWindow::browseForChart()
{
    const std::wstring path
        = runOpenFileDialog(m_hwnd, toUtf16(chartDialog.title), toUtf16(chartDialog.filter), L"");
    if (!path.empty())
        chooseChart(path);
}

void WinMainWindow::chooseChart(const std::wstring &path)
{
    SetWindowTextW(control(PathEditId), path.c_str());
    m_session.chartChosen();
}

void WinMainWindow::applyDpi(int dpi)
{
    m_dpi = dpi;
    FontHandle font = messageFont(dpi);
    for (const FormControl &row : windowForm) {
        if (row.kind == ControlKind::Window)
            continue;
        const HWND hwnd = control(row.id);
        const FormPlace place = formPlace(row);
        SetWindowPos(hwnd, nullptr, scaled(place.left), scaled(place.top), scaled(place.width),
            scaled(place.height), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(hwnd, WM_SETFONT, WPARAM(font.get()), TRUE);
    }
    m_logPane.setFont(font.get());
    // The controls let the old font go above; only now may it be freed.
    m_font = std::move(font);

    IconHandle bigIcon = loadIcon(MulDiv(GetSystemMetrics(SM_CXICON), dpi, systemDpi()));
    IconHandle smallIcon = loadIcon(MulDiv(GetSystemMetrics(SM_CXSMICON), dpi, systemDpi()));
    SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, LPARAM(bigIcon.get()));
    SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, LPARAM(smallIcon.get()));
    m_bigIcon = std::move(bigIcon);
    m_smallIcon = std::move(smallIcon);
}

SIZE WinMainWindow::windowSize() const
{
    // The frame as the system draws it now: at a new DPI it may not have been scaled yet.
    RECT frame;
    RECT client;
    GetWindowRect(m_hwnd, &frame);
    GetClientRect(m_hwnd, &client);
    const FormControl &form = formControl("Form1");
    return {scaled(form.width) + (frame.right - frame.left) - client.right,
        scaled(form.height) + (frame.bottom - frame.top) - client.bottom};
}

int WinMainWindow::scaled(int twips) const
{
    return MulDiv(twips, m_dpi, twipsPerInch);
}

} // namespace quillet
