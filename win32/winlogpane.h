#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace quillet {

class LogLines;

// The log, shown by an owner-data list box over the session's lines: the box holds only their
// count, so a line costs nothing beyond the session's copy, and only the visible lines are drawn.
// It selects, copies (Ctrl+A, Ctrl+C) and answers WM_GETTEXT with the log's exact text (each line
// and CR LF) as an EDIT control does, so screen readers and tests read it the same way; its length
// is counted as lines arrive, and only what fits the caller's buffer is converted.
class WinLogPane
{
public:
    explicit WinLogPane(const LogLines &lines);
    WinLogPane(const WinLogPane &) = delete;
    WinLogPane &operator=(const WinLogPane &) = delete;

    /// Creates the list box as parent's child with id; returns null on failure.
    HWND create(HWND parent, int id);
    HWND handle() const { return m_hwnd; }

    /// Uses font, and rows as high as its lines.
    void setFont(HFONT font);
    /// The log now has lineCount lines: shows them, the newest in view.
    void showLines(std::size_t lineCount);
    /// Draws one line; the parent passes on its WM_DRAWITEM.
    void drawItem(const DRAWITEMSTRUCT &item) const;

private:
    static LRESULT CALLBACK subclassProc(
        HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void copySelection() const;
    LRESULT copyLogText(WPARAM room, LPARAM buffer) const;
    std::wstring lineText(std::size_t index) const;

    const LogLines &m_lines;
    std::size_t m_shownLines = 0;
    std::size_t m_textLength = 0; // of the shown lines in UTF-16, each with its CR LF
    HWND m_hwnd = nullptr;
    HFONT m_font = nullptr; // owned by the window
};

} // namespace quillet
