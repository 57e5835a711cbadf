// The Windows window, driven in this process with messages as a user's clicks and keys send them.
#include "../support/charts.h"
#include "../support/tempfolder.h"
#include "winmainwindow.h"

#include "utf16_win.h"
#include "windowform.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace quillet {
namespace {

namespace fs = std::filesystem;
using namespace test;
using test::PrintTo; // for argument-dependent lookup from GoogleTest

// A fresh folder named in Japanese, so each chart's path is one no Western code page holds.
struct ChartFolder : TempFolder
{
    ChartFolder() { fs::create_directory(path()); }
    fs::path path() const { return TempFolder::path() / L"譜面"; }
    fs::path write(const std::wstring &name, const std::string &bytes) const
    {
        std::ofstream(path() / name, std::ios::binary) << bytes;
        return path() / name;
    }
};

// As a screen reader reads a control: WM_GETTEXTLENGTH, then WM_GETTEXT.
std::wstring text(HWND hwnd)
{
    std::wstring text(std::size_t(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(std::size_t(SendMessageW(hwnd, WM_GETTEXT, text.size(), LPARAM(text.data()))));
    return text;
}

std::wstring clipboardText()
{
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t *>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// The window, shown, and what a user and a screen reader do with its controls.
struct Window
{
    Window() { ShowWindow(window.handle(), SW_SHOW); }

    HWND handle() const { return window.handle(); }
    HWND control(ControlId id) const { return GetDlgItem(handle(), id); }
    std::wstring log() const { return text(control(LogPaneId)); }
    std::wstring path() const { return text(control(PathEditId)); }
    void setPath(const fs::path &path) const
    {
        SendMessageW(control(PathEditId), WM_SETTEXT, 0, LPARAM(path.c_str()));
    }
    void click(ControlId id) const { SendMessageW(control(id), BM_CLICK, 0, 0); }

    // What the shell sends when a file is dropped on the window: the names follow the header,
    // each NUL-ended, and an empty one ends the list.
    void drop(const fs::path &file) const
    {
        const std::wstring name = file.wstring();
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (name.size() + 2) * sizeof(wchar_t));
        auto *const files = static_cast<DROPFILES *>(GlobalLock(memory));
        *files = {sizeof(DROPFILES), {}, FALSE, TRUE};
        std::wmemcpy(reinterpret_cast<wchar_t *>(files + 1), name.c_str(), name.size());
        GlobalUnlock(memory);
        SendMessageW(handle(), WM_DROPFILES, WPARAM(memory), 0);
    }

    WinMainWindow window;
};

// Runs an action at the next pump (posted before a check, it runs inside the check), and then
// every few milliseconds, from whatever loop runs (a dialog's), until it says it is done.
class PostedAction
{
public:
    explicit PostedAction(std::function<bool()> action)
        : m_action(std::move(action))
    {
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, LONG_PTR(this));
        SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, LONG_PTR(&PostedAction::proc));
        PostMessageW(m_hwnd, WM_APP, 0, 0);
        SetTimer(m_hwnd, 1, USER_TIMER_MINIMUM, nullptr);
    }
    ~PostedAction() { DestroyWindow(m_hwnd); }

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto *const self = reinterpret_cast<PostedAction *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if ((message == WM_APP || message == WM_TIMER) && self->m_action())
            KillTimer(hwnd, 1);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    std::function<bool()> m_action;
    HWND m_hwnd = CreateWindowExW(
        0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
};

struct FormCase
{
    const char *name;
    int dpi; // 0: as the window is created
};

using WinFormTest = testing::TestWithParam<FormCase>;

TEST_P(WinFormTest, ControlsFollowTheFormAtTheDpi)
{
    Window form;
    HDC screen = GetDC(nullptr);
    const int screenDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const int dpi = GetParam().dpi ? GetParam().dpi : screenDpi;
    RECT suggested {0, 0, 1, 1};
    if (GetParam().dpi)
        SendMessageW(form.handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), LPARAM(&suggested));
    const auto scaled = [dpi](int twips) { return MulDiv(twips, dpi, twipsPerInch); };
    NONCLIENTMETRICSW metrics {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);

    RECT client;
    GetClientRect(form.handle(), &client);
    EXPECT_EQ(client.right, scaled(windowForm[0].width));
    EXPECT_EQ(client.bottom, scaled(windowForm[0].height));
    EXPECT_EQ(text(form.handle()), L"Quillet v1.0");
    const auto placeOf = [&](std::string_view name) {
        RECT place {};
        GetWindowRect(form.control(formControl(name).id), &place);
        MapWindowPoints(nullptr, form.handle(), reinterpret_cast<POINT *>(&place), 2);
        return place;
    };
    for (const FormControl &row : windowForm) {
        if (row.kind == ControlKind::Window)
            continue;
        SCOPED_TRACE(row.objectName);
        const HWND hwnd = form.control(row.id);
        wchar_t className[16] = {};
        GetClassNameW(hwnd, className, 16);
        const wchar_t *const classes[]
            = {L"", L"Button", L"Static", L"Edit", L"Button", L"ListBox"};
        EXPECT_STREQ(className, classes[int(row.kind)]);
        EXPECT_EQ(text(hwnd), std::wstring(row.caption.begin(), row.caption.end()));

        // Inside its container, the control sits at its own offset.
        const RECT place = placeOf(row.objectName);
        const RECT outer = row.container == "Form1" ? RECT {} : placeOf(row.container);
        EXPECT_EQ(place.left - outer.left, scaled(row.left));
        EXPECT_EQ(place.top - outer.top, scaled(row.top));
        EXPECT_EQ(place.right - place.left, scaled(row.width));
        EXPECT_EQ(place.bottom - place.top, scaled(row.height));

        LOGFONTW font {};
        GetObjectW(HFONT(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_EQ(font.lfHeight, MulDiv(metrics.lfMessageFont.lfHeight, dpi, screenDpi));
    }

    // Tab goes through the controls that take the focus in the form's tab order, then round.
    std::vector<FormControl> stops;
    std::ranges::copy_if(windowForm, std::back_inserter(stops), [](const FormControl &row) {
        return row.kind == ControlKind::PathEdit || row.kind == ControlKind::Button
            || row.kind == ControlKind::LogPane;
    });
    std::ranges::sort(stops, {}, &FormControl::tabIndex);
    HWND hwnd = form.control(stops.back().id);
    for (const FormControl &stop : stops) {
        hwnd = GetNextDlgTabItem(form.handle(), hwnd, FALSE);
        EXPECT_EQ(GetDlgCtrlID(hwnd), stop.id);
    }
}

INSTANTIATE_TEST_SUITE_P(Dpi, WinFormTest,
    testing::ValuesIn(std::vector<FormCase> {{"AsCreated", 0}, {"Dpi144", 144}}), caseName);

struct CheckCase
{
    const char *name;
    bool byEnter; // Enter in the path field, else a click on "Check file"
    const wchar_t *chartName;
    std::string chart;
    std::string log;
    std::size_t room; // of a screen reader's buffer too small for the log
    int firstSelected, lastSelected; // -1, -1: Ctrl+A
};

using WinCheckTest = testing::TestWithParam<CheckCase>;

// The log is read, copied (Ctrl+C) and shows its newest line, as a text box's.
TEST_P(WinCheckTest, LogsTheCheckForScreenReadersAndTheClipboard)
{
    const CheckCase &param = GetParam();
    const ChartFolder folder;
    Window form;
    const std::wstring log = toUtf16(param.log);
    form.setPath(folder.write(param.chartName, param.chart));
    if (param.byEnter) {
        SetFocus(form.control(PathEditId));
        PostMessageW(form.control(PathEditId), WM_KEYDOWN, VK_RETURN, 0);
        form.window.processEvents();
    } else {
        form.click(CheckButtonId);
    }
    const HWND pane = form.control(LogPaneId);
    EXPECT_EQ(form.log(), log);

    // As an EDIT control: what fits, NUL-ended, and the count copied.
    std::wstring start(param.room, L'*');
    EXPECT_EQ(SendMessageW(pane, WM_GETTEXT, param.room, LPARAM(start.data())), param.room - 1);
    EXPECT_EQ(start, log.substr(0, param.room - 1) + L'\0');

    std::wstring copied;
    if (param.firstSelected < 0) {
        SendMessageW(pane, WM_CHAR, 1, 0); // Ctrl+A
        copied = log;
    } else {
        SendMessageW(
            pane, LB_SELITEMRANGE, TRUE, MAKELPARAM(param.firstSelected, param.lastSelected));
        std::size_t from = 0;
        for (int line = 0; line < param.firstSelected; ++line)
            from = log.find(L"\r\n", from) + 2;
        std::size_t to = from;
        for (int line = param.firstSelected; line <= param.lastSelected; ++line)
            to = log.find(L"\r\n", to) + 2;
        copied = log.substr(from, to - from);
    }
    SendMessageW(pane, WM_CHAR, 3, 0); // Ctrl+C
    EXPECT_EQ(clipboardText(), copied);
    RECT client, newest;
    GetClientRect(pane, &client);
    const LRESULT lines = SendMessageW(pane, LB_GETCOUNT, 0, 0);
    SendMessageW(pane, LB_GETITEMRECT, WPARAM(lines - 1), LPARAM(&newest));
    EXPECT_LE(newest.bottom, client.bottom);
}

INSTANTIATE_TEST_SUITE_P(Charts, WinCheckTest,
    testing::ValuesIn(std::vector<CheckCase> {
        {"EnterJapaneseName", true, L"練習曲.sm", okChart, okLog, 8, -1, -1},
        // The buffer ends inside the second line; two lines in the middle are copied.
        {"ClickManyProblems", false, L"long.sm", longChart(), longChartLog(), 24, 3, 4},
    }),
    caseName);

struct RunCase
{
    const char *name;
    bool close; // else a chart is dropped on the window
};

using WinRunTest = testing::TestWithParam<RunCase>;

TEST_P(WinRunTest, AnEventDuringARunAbandonsIt)
{
    const ChartFolder folder;
    const fs::path next = folder.write(L"next.sm", okChart);
    Window form;
    form.window.setPumpInterval(std::chrono::milliseconds(0));
    form.setPath(folder.write(L"long.sm", longChart()));

    bool checkWasEnabled = true;
    const PostedAction action([&] {
        checkWasEnabled = IsWindowEnabled(form.control(CheckButtonId));
        if (GetParam().close)
            SendMessageW(form.handle(), WM_CLOSE, 0, 0);
        else
            form.drop(next);
        return true;
    });
    form.click(CheckButtonId);

    EXPECT_FALSE(checkWasEnabled);
    if (GetParam().close) {
        // Destroyed once the check unwound, not while it ran.
        EXPECT_FALSE(form.window.isOpen());
        return;
    }
    EXPECT_EQ(form.path(), next.wstring());
    EXPECT_EQ(form.log(), L"");
    EXPECT_TRUE(IsWindowEnabled(form.control(CheckButtonId)));
}

INSTANTIATE_TEST_SUITE_P(Events, WinRunTest,
    testing::ValuesIn(std::vector<RunCase> {{"Close", true}, {"Drop", false}}), caseName);

// Checks the open-file dialog once it is up: the window's modal one, its title, filter and folder;
// then cancels it, or types choice and opens it.
bool answerDialog(HWND owner, const fs::path &folder, const wchar_t *choice)
{
    const HWND dialog = GetActiveWindow();
    if (dialog == owner || !IsWindowVisible(dialog))
        return false;
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
    EXPECT_EQ(text(dialog), toUtf16(chartDialog.title));
    wchar_t filter[64] = {};
    SendDlgItemMessageW(dialog, cmb1, CB_GETLBTEXT, 0, LPARAM(filter));
    EXPECT_EQ(filter, toUtf16(chartDialog.filter.substr(0, chartDialog.filter.find('\0'))));
    wchar_t shown[MAX_PATH] = {};
    SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, LPARAM(shown));
    EXPECT_EQ(shown, folder.wstring());
    if (choice)
        SendMessageW(dialog, CDM_SETCONTROLTEXT, cmb13, LPARAM(choice));
    PostMessageW(dialog, WM_COMMAND, choice ? IDOK : IDCANCEL, 0);
    return true;
}

struct DialogCase
{
    const char *name;
    const wchar_t *choose; // a file name to type and open; null to cancel
};

using WinDialogTest = testing::TestWithParam<DialogCase>;

TEST_P(WinDialogTest, ShowsTheChartDialogInTheCurrentFolder)
{
    const ChartFolder folder;
    folder.write(L"練習曲.sm", "");
    Window form;
    form.setPath(folder.path() / L"missing.sm");
    form.click(CheckButtonId);
    const std::wstring pathBefore = form.path();
    const std::wstring logBefore = form.log();

    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());
    bool answered = false;
    const PostedAction answer(
        [&] { return answered = answerDialog(form.handle(), folder.path(), GetParam().choose); });
    form.click(BrowseButtonId);
    fs::current_path(previous);

    EXPECT_TRUE(answered);
    // A chosen chart replaces the path and empties the log; cancelling changes neither.
    EXPECT_EQ(
        form.path(), GetParam().choose ? (folder.path() / L"練習曲.sm").wstring() : pathBefore);
    EXPECT_EQ(form.log(), GetParam().choose ? L"" : logBefore);
}

INSTANTIATE_TEST_SUITE_P(Answers, WinDialogTest,
    testing::ValuesIn(
        std::vector<DialogCase> {{"Cancel", nullptr}, {"ChooseJapaneseName", L"練習曲.sm"}}),
    caseName);

} // namespace
} // namespace quillet
