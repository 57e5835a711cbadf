#pragma once

#include "winhandles.h"
#include "winlogpane.h"

#include "checksession.h"
#include "windowform.h"

#include <windows.h>

#include <chrono>
#include <memory>
#include <string>

namespace quillet {

// The program's one window on Windows, in plain Win32 controls: the same form, captions, tab
// order and check session as the Qt window. The window is glue: clicks become session calls and
// session calls become control updates.
class WinMainWindow final
{
public:
    /// Creates the window, hidden; handle() is null when that failed.
    WinMainWindow();
    ~WinMainWindow();
    WinMainWindow(const WinMainWindow &) = delete;
    WinMainWindow &operator=(const WinMainWindow &) = delete;

    HWND handle() const { return m_hwnd; }
    /// False once the window is destroyed: the program's message loop then ends.
    bool isOpen() const { return m_hwnd != nullptr; }
    /// Puts path in the path field and empties the log, as "..." does with a chosen chart.
    void chooseChart(const std::wstring &path);
    /// How long a check reads before the window handles its events.
    void setPumpInterval(std::chrono::milliseconds interval);

    /// Handles every pending message, the dialog keys (Tab, Enter) included.
    void processEvents();
    /// Handles one message from the program's loop.
    void dispatch(MSG &message);

private:
    class SessionView;

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool onCreate();
    void onCommand(int id, int code);
    void onClose();
    void onDpiChanged(int dpi, const RECT &suggested);
    void onDropFiles(HDROP drop);

    void setCheckEnabled(bool enabled);
    void runCheck();
    void browseForChart();
    void applyDpi(int dpi);
    /// The window's size for the form's client area at the window's DPI.
    SIZE windowSize() const;
    int scaled(int twips) const;
    HWND control(ControlId id) const { return GetDlgItem(m_hwnd, id); }

    std::unique_ptr<SessionView> m_view;
    CheckSession m_session;
    WinLogPane m_logPane;
    HWND m_hwnd = nullptr;
    int m_dpi = USER_DEFAULT_SCREEN_DPI;
    FontHandle m_font;
    IconHandle m_bigIcon;
    IconHandle m_smallIcon;
    HWND m_focus = nullptr; // the control that had the keyboard when the window went inactive
    bool m_closeRequested = false;
};

} // namespace quillet
