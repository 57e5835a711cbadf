#include "winlogpane.h"

#include "loglines.h"
#include "utf16_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

namespace quillet {

namespace {

constexpr UINT_PTR subclassId = 1;
constexpr wchar_t selectAllChar = 1; // Ctrl+A, as TranslateMessage makes it
constexpr wchar_t copyChar = 3; // Ctrl+C

bool putOnClipboard(HWND owner, const std::wstring &text)
{
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        return false;
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        CloseClipboard();
        if (placed)
            return true;
    }
    GlobalFree(memory);
    return false;
}

// As an EDIT control answers WM_GETTEXT: as much as fits, always NUL-ended, the count copied.
LRESULT copyText(const std::wstring &text, WPARAM room, LPARAM buffer)
{
    if (room == 0 || buffer == 0)
        return 0;
    const std::size_t count = text.size() < room ? text.size() : room - 1;
    auto *const out = reinterpret_cast<wchar_t *>(buffer);
    std::memcpy(out, text.data(), count * sizeof(wchar_t));
    out[count] = L'\0';
    return LRESULT(count);
}

// The length toUtf16 gives line; log lines are nearly always ASCII, which needs no call.
std::size_t utf16Length(std::string_view line)
{
    if (std::ranges::all_of(
            line, [](char byte) { return static_cast<unsigned char>(byte) < 0x80; }))
        return line.size();
    return std::size_t(MultiByteToWideChar(CP_UTF8, 0, line.data(), int(line.size()), nullptr, 0));
}

} // namespace

WinLogPane::WinLogPane(const LogLines &lines)
    : m_lines(lines)
{ }

HWND WinLogPane::create(HWND parent, int id)
{
    // No LBS_HASSTRINGS or LBS_SORT: LBS_NODATA keeps no items, only their count.
    constexpr DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NODATA
        | LBS_OWNERDRAWFIXED | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT;
    m_hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", style, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(INT_PTR(id)), nullptr, nullptr);
    if (m_hwnd && !SetWindowSubclass(m_hwnd, subclassProc, subclassId, DWORD_PTR(this))) {
        DestroyWindow(m_hwnd);
        m_hwnd = nullptr;
    }
    return m_hwnd;
}

void WinLogPane::setFont(HFONT font)
{
    m_font = font;
    SendMessageW(m_hwnd, WM_SETFONT, WPARAM(font), FALSE);
    HDC dc = GetDC(m_hwnd);
    const HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(m_hwnd, dc);
    SendMessageW(m_hwnd, LB_SETITEMHEIGHT, 0, MAKELPARAM(metrics.tmHeight, 0));
    InvalidateRect(m_hwnd, nullptr, TRUE);
}

void WinLogPane::showLines(std::size_t lineCount)
{
    if (lineCount < m_shownLines)
        m_shownLines = m_textLength = 0;
    for (; m_shownLines < lineCount; ++m_shownLines)
        m_textLength += utf16Length(m_lines.line(m_shownLines)) + 2;
    SendMessageW(m_hwnd, LB_SETCOUNT, WPARAM(lineCount), 0);
    if (lineCount > 0)
        SendMessageW(m_hwnd, LB_SETTOPINDEX, WPARAM(lineCount - 1), 0);
}

void WinLogPane::drawItem(const DRAWITEMSTRUCT &item) const
{
    const bool selected = item.itemState & ODS_SELECTED;
    SetBkColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const HGDIOBJ old = SelectObject(item.hDC, m_font);
    // An empty box still draws its focus rectangle, with itemID -1.
    const std::wstring text = item.itemID < m_lines.size() ? lineText(item.itemID) : L"";
    const int margin = GetSystemMetrics(SM_CXEDGE);
    ExtTextOutW(item.hDC, item.rcItem.left + margin, item.rcItem.top, ETO_OPAQUE | ETO_CLIPPED,
        &item.rcItem, text.c_str(), UINT(text.size()), nullptr);
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(item.hDC, &item.rcItem);
    SelectObject(item.hDC, old);
}

LRESULT CALLBACK WinLogPane::subclassProc(
    HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self)
{
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, subclassProc, subclassId);
        reinterpret_cast<WinLogPane *>(self)->m_hwnd = nullptr;
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    return reinterpret_cast<WinLogPane *>(self)->handleMessage(message, wParam, lParam);
}

LRESULT WinLogPane::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETTEXTLENGTH:
        return LRESULT(m_textLength);
    case WM_GETTEXT:
        return copyLogText(wParam, lParam);
    case WM_SETTEXT:
        return FALSE; // the session owns the log
    case LB_GETTEXTLEN:
        return wParam < m_lines.size() ? LRESULT(lineText(wParam).size()) : LB_ERR;
    case LB_GETTEXT: {
        if (wParam >= m_lines.size())
            return LB_ERR;
        // The caller's buffer holds LB_GETTEXTLEN characters and the NUL.
        const std::wstring line = lineText(wParam);
        return copyText(line, line.size() + 1, lParam);
    }
    case WM_CHAR:
        if (wParam == selectAllChar) {
            SendMessageW(m_hwnd, LB_SETSEL, TRUE, -1);
            return 0;
        }
        if (wParam == copyChar) {
            copySelection();
            return 0;
        }
        break;
    case WM_COPY:
        copySelection();
        return 0;
    }
    return DefSubclassProc(m_hwnd, message, wParam, lParam);
}

void WinLogPane::copySelection() const
{
    const LRESULT count = SendMessageW(m_hwnd, LB_GETSELCOUNT, 0, 0);
    if (count <= 0)
        return;
    std::vector<int> selected(std::size_t(count), 0);
    SendMessageW(m_hwnd, LB_GETSELITEMS, WPARAM(count), LPARAM(selected.data()));
    std::string text;
    for (const int index : selected) {
        if (std::size_t(index) < m_lines.size()) {
            text.append(m_lines.line(std::size_t(index)));
            text.append("\r\n");
        }
    }
    putOnClipboard(m_hwnd, toUtf16(text));
}

// As copyText, line by line: a reader that asks for the first lines does not pay for the rest.
LRESULT WinLogPane::copyLogText(WPARAM room, LPARAM buffer) const
{
    if (room == 0 || buffer == 0)
        return 0;
    auto *const out = reinterpret_cast<wchar_t *>(buffer);
    const std::size_t limit = room - 1;
    const std::size_t lines = std::min(m_shownLines, m_lines.size());
    std::size_t count = 0;
    for (std::size_t index = 0; index < lines && count < limit; ++index) {
        const std::wstring line = lineText(index) + L"\r\n";
        const std::size_t part = std::min(line.size(), limit - count);
        std::wmemcpy(out + count, line.data(), part);
        count += part;
    }
    out[count] = L'\0';
    return LRESULT(count);
}

std::wstring WinLogPane::lineText(std::size_t index) const
{
    return toUtf16(m_lines.line(index));
}

} // namespace quillet
