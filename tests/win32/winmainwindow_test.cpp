// The Windows window, driven in this process with messages as a user's clicks and keys send them.
#include "controlid.h"
#include "winmainwindow.h"

#include "eventpump.h"
#include "windowform.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace quillet {
namespace {

namespace fs = std::filesystem;

const std::wstring problemLog = L"Checking SM file...\r\nProblem note detected at beat: 8\r\n"
                                L"MeasureSize: 7\r\n"
                                L"Problem SM file. Please fix it before send to vorblen staff.\r\n";
const std::wstring okLog = L"Checking SM file...\r\nSM file is OK. Ready to send to convert.\r\n";
const std::string sevenRowChart = "#NOTES:\n1000\n0000\n0100\n0000\n,\n1\n2\n3\n4\n5\n6\n7\n;\n";
const std::string okChart = "#NOTES:\r\n1000\r\n0000\r\n0100\r\n0000\r\n;\r\n";

// Measures enough for the check to pump several times in each pass.
std::string longChart()
{
    std::string chart = "#NOTES:\n";
    for (std::uint64_t line = 0; line < 3 * EventPump::linesPerPump; line += 5)
        chart += "1000\n0000\n0100\n0000\n,\n";
    return chart + ";\n";
}

// A fresh folder named in Japanese, so each chart's path is one no Western code page holds.
class ChartFolder
{
public:
    ChartFolder()
        : m_path(
            fs::temp_directory_path() / (L"quillet-譜面-" + std::to_wstring(GetCurrentProcessId())))
    {
        fs::create_directories(m_path);
    }
    ~ChartFolder() { fs::remove_all(m_path); }

    const fs::path &path() const { return m_path; }
    fs::path write(const std::wstring &name, const std::string &bytes) const
    {
        std::ofstream(m_path / name, std::ios::binary) << bytes;
        return m_path / name;
    }

private:
    fs::path m_path;
};

fs::path applicationFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

// As a screen reader reads a control: WM_GETTEXTLENGTH, then WM_GETTEXT.
std::wstring text(HWND hwnd)
{
    std::wstring text(std::size_t(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(std::size_t(SendMessageW(hwnd, WM_GETTEXT, text.size(), LPARAM(text.data()))));
    return text;
}

class Window
{
public:
    Window() { ShowWindow(m_window.handle(), SW_SHOW); }

    WinMainWindow &window() { return m_window; }
    HWND control(ControlId id) const { return GetDlgItem(m_window.handle(), id); }
    std::wstring log() const { return text(control(LogPaneId)); }
    std::wstring path() const { return text(control(PathEditId)); }
    void setPath(const fs::path &path) const
    {
        SendMessageW(control(PathEditId), WM_SETTEXT, 0, LPARAM(path.c_str()));
    }
    void click(ControlId id) const { SendMessageW(control(id), BM_CLICK, 0, 0); }

private:
    WinMainWindow m_window;
};

// What the shell sends when a file is dropped on the window.
void dropFile(HWND window, const fs::path &file)
{
    const std::wstring name = file.wstring();
    const std::size_t nameBytes = (name.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + nameBytes + sizeof(wchar_t));
    auto *const drop = static_cast<DROPFILES *>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char *>(drop) + sizeof(DROPFILES), name.c_str(), nameBytes);
    GlobalUnlock(memory);
    SendMessageW(window, WM_DROPFILES, WPARAM(memory), 0);
}

int screenDpi()
{
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi;
}

struct FormCase
{
    const char *name;
    int dpi; // 0: as the window is created
};

class WinFormTest : public testing::TestWithParam<FormCase>
{
};

TEST_P(WinFormTest, ControlsFollowTheFormAtTheDpi)
{
    Window form;
    const HWND window = form.window().handle();
    int dpi = screenDpi();
    if (GetParam().dpi != 0) {
        dpi = GetParam().dpi;
        RECT suggested {0, 0, 1, 1};
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), LPARAM(&suggested));
    }
    const auto scaled = [dpi](int twips) { return MulDiv(twips, dpi, twipsPerInch); };
    NONCLIENTMETRICSW metrics {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const LONG fontHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, screenDpi());

    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, scaled(windowForm[0].width));
    EXPECT_EQ(client.bottom, scaled(windowForm[0].height));
    wchar_t caption[64];
    GetWindowTextW(window, caption, 64);
    EXPECT_STREQ(caption, L"Quillet v1.0");

    for (const FormControl &row : windowForm) {
        if (row.kind == ControlKind::Window)
            continue;
        SCOPED_TRACE(row.objectName);
        const HWND hwnd = form.control(controlId(row.objectName));
        ASSERT_NE(hwnd, nullptr);
        wchar_t className[32];
        GetClassNameW(hwnd, className, 32);
        const std::wstring expectedClass = row.kind == ControlKind::PathEdit ? L"Edit"
            : row.kind == ControlKind::Label                                 ? L"Static"
            : row.kind == ControlKind::LogPane                               ? L"ListBox"
                                                                             : L"Button";
        EXPECT_EQ(std::wstring(className), expectedClass);
        const std::string caption(row.caption);
        EXPECT_EQ(text(hwnd), std::wstring(caption.begin(), caption.end()));

        // Inside its container, the control sits at its own offset.
        POINT origin {0, 0};
        const auto container
            = std::ranges::find(windowForm, row.container, &FormControl::objectName);
        if (container->kind != ControlKind::Window) {
            RECT outer;
            GetWindowRect(form.control(controlId(container->objectName)), &outer);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&outer), 2);
            origin = {outer.left, outer.top};
        }
        RECT place;
        GetWindowRect(hwnd, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&place), 2);
        EXPECT_EQ(place.left - origin.x, scaled(row.left));
        EXPECT_EQ(place.top - origin.y, scaled(row.top));
        EXPECT_EQ(place.right - place.left, scaled(row.width));
        EXPECT_EQ(place.bottom - place.top, scaled(row.height));

        LOGFONTW font {};
        GetObjectW(HFONT(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_EQ(font.lfHeight, fontHeight);
    }

    // Tab goes through the controls that take the focus in the form's tab order, then round.
    std::vector<FormControl> stops;
    std::ranges::copy_if(windowForm, std::back_inserter(stops), [](const FormControl &row) {
        return row.kind == ControlKind::PathEdit || row.kind == ControlKind::Button
            || row.kind == ControlKind::LogPane;
    });
    std::ranges::sort(stops, {}, &FormControl::tabIndex);
    HWND hwnd = form.control(controlId(stops.front().objectName));
    for (std::size_t step = 1; step <= stops.size(); ++step) {
        hwnd = GetNextDlgTabItem(window, hwnd, FALSE);
        EXPECT_EQ(GetDlgCtrlID(hwnd), controlId(stops[step % stops.size()].objectName));
    }
}

INSTANTIATE_TEST_SUITE_P(Dpi, WinFormTest,
    testing::ValuesIn(std::vector<FormCase> {{"AsCreated", 0}, {"Dpi144", 144}, {"Dpi192", 192}}),
    [](const auto &info) { return std::string(info.param.name); });

enum class Trigger { Click, Enter };

struct CheckCase
{
    const char *name;
    Trigger trigger;
    const wchar_t *chartName;
    std::string chart;
    std::wstring log;
};

class WinCheckTest : public testing::TestWithParam<CheckCase>
{
};

TEST_P(WinCheckTest, LogsTheChartsCheck)
{
    const ChartFolder folder;
    Window form;
    form.setPath(folder.write(GetParam().chartName, GetParam().chart));
    if (GetParam().trigger == Trigger::Click) {
        form.click(CheckButtonId);
    } else {
        SetFocus(form.control(PathEditId));
        PostMessageW(form.control(PathEditId), WM_KEYDOWN, VK_RETURN, 0);
        form.window().processEvents();
    }
    EXPECT_EQ(form.log(), GetParam().log);
    EXPECT_FALSE(fs::exists(applicationFolder() / "tmp.sm"));
}

INSTANTIATE_TEST_SUITE_P(Charts, WinCheckTest,
    testing::ValuesIn(std::vector<CheckCase> {
        {"ClickSevenRowMeasure", Trigger::Click, L"seven.sm", sevenRowChart, problemLog},
        {"EnterJapaneseName", Trigger::Enter, L"練習曲.sm", okChart, okLog},
    }),
    [](const auto &info) { return std::string(info.param.name); });

// Runs an action when the pump that is running reaches it (posted before a check starts, it runs
// inside the check), or every few milliseconds until it says it is done.
class PostedAction
{
public:
    explicit PostedAction(std::function<bool()> action, UINT everyMs = 0)
        : m_action(std::move(action))
        , m_hwnd(CreateWindowExW(
              0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr))
    {
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, LONG_PTR(this));
        SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, LONG_PTR(&PostedAction::proc));
        if (everyMs > 0)
            SetTimer(m_hwnd, 1, everyMs, nullptr);
        else
            PostMessageW(m_hwnd, WM_APP, 0, 0);
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
    HWND m_hwnd;
};

enum class DuringRun { Close, Drop };

struct RunCase
{
    const char *name;
    DuringRun event;
};

class WinRunTest : public testing::TestWithParam<RunCase>
{
};

TEST_P(WinRunTest, AnEventDuringARunAbandonsIt)
{
    const ChartFolder folder;
    const fs::path next = folder.write(L"next.sm", okChart);
    Window form;
    form.window().setPumpInterval(std::chrono::milliseconds(0));
    form.setPath(folder.write(L"long.sm", longChart()));
    // A first, whole check leaves a log for the new chart to empty.
    form.click(CheckButtonId);
    ASSERT_EQ(form.log().substr(0, 5), L"Check");

    bool ran = false;
    bool checkWasEnabled = true;
    const PostedAction action([&] {
        ran = true;
        checkWasEnabled = IsWindowEnabled(form.control(CheckButtonId));
        if (GetParam().event == DuringRun::Close)
            SendMessageW(form.window().handle(), WM_CLOSE, 0, 0);
        else
            dropFile(form.window().handle(), next);
        return true;
    });
    form.click(CheckButtonId);

    EXPECT_TRUE(ran);
    EXPECT_FALSE(checkWasEnabled);
    EXPECT_FALSE(fs::exists(applicationFolder() / "tmp.sm"));
    if (GetParam().event == DuringRun::Close) {
        // Destroyed once the check unwound, not while it ran.
        EXPECT_FALSE(form.window().isOpen());
    } else {
        EXPECT_EQ(form.path(), next.wstring());
        EXPECT_EQ(form.log(), L"");
        EXPECT_TRUE(IsWindowEnabled(form.control(CheckButtonId)));
    }
}

INSTANTIATE_TEST_SUITE_P(Events, WinRunTest,
    testing::ValuesIn(
        std::vector<RunCase> {{"Close", DuringRun::Close}, {"Drop", DuringRun::Drop}}),
    [](const auto &info) { return std::string(info.param.name); });

// The open-file dialog as "..." shows it, read and answered by a timer once it is up.
struct DialogSeen
{
    std::wstring title;
    std::wstring filter;
    std::string folder;
};

struct DialogCase
{
    const char *name;
    const char *choose; // a file name (UTF-8) to type and open; null to cancel
};

class WinDialogTest : public testing::TestWithParam<DialogCase>
{
};

// The dialog's record as the dialog shows it; then cancels it, or types choice and opens it.
bool answerDialog(DialogSeen &seen, const char *choice)
{
    HWND dialog = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM found) {
            wchar_t name[16];
            GetClassNameW(hwnd, name, 16);
            if (std::wstring(name) != L"#32770" || !IsWindowVisible(hwnd))
                return TRUE;
            *reinterpret_cast<HWND *>(found) = hwnd;
            return FALSE;
        },
        LPARAM(&dialog));
    if (!dialog)
        return false;
    wchar_t text[128] = {};
    GetWindowTextW(dialog, text, 128);
    seen.title = text;
    SendDlgItemMessageW(dialog, cmb1, CB_GETLBTEXT, 0, LPARAM(text));
    seen.filter = text;
    char folder[MAX_PATH] = {};
    SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, LPARAM(folder));
    seen.folder = folder;
    if (choice) // an ANSI dialog takes its texts in the process's code page
        SendMessageA(dialog, CDM_SETCONTROLTEXT, cmb13, LPARAM(choice));
    PostMessageW(dialog, WM_COMMAND, choice ? IDOK : IDCANCEL, 0);
    return true;
}

TEST_P(WinDialogTest, ShowsTheChartDialogInTheCurrentFolder)
{
    const ChartFolder folder;
    folder.write(L"練習曲.sm", okChart);
    Window form;
    form.setPath(folder.path() / L"missing.sm");
    form.click(CheckButtonId);
    const std::wstring pathBefore = form.path();
    const std::wstring logBefore = form.log();
    ASSERT_EQ(logBefore, L"Incorrect SM file! Please check\r\n");

    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());
    DialogSeen dialog;
    const PostedAction answer([&] { return answerDialog(dialog, GetParam().choose); }, 50);
    form.click(BrowseButtonId);
    fs::current_path(previous);

    EXPECT_EQ(dialog.title, L"Select SM");
    EXPECT_EQ(dialog.filter, L"Step Mania Single BPM File(*.sm)");
    // The dialog speaks the process's code page: UTF-8, by the manifest.
    const std::u8string folderName = folder.path().u8string();
    EXPECT_EQ(dialog.folder, std::string(folderName.begin(), folderName.end()));
    if (!GetParam().choose) {
        EXPECT_EQ(form.path(), pathBefore);
        EXPECT_EQ(form.log(), logBefore);
        return;
    }
    EXPECT_EQ(form.path(), (folder.path() / L"練習曲.sm").wstring());
    EXPECT_EQ(form.log(), L"");
    form.click(CheckButtonId);
    EXPECT_EQ(form.log(), okLog);
}

INSTANTIATE_TEST_SUITE_P(Answers, WinDialogTest,
    testing::ValuesIn(
        std::vector<DialogCase> {{"Cancel", nullptr}, {"ChooseJapaneseName", "練習曲.sm"}}),
    [](const auto &info) { return std::string(info.param.name); });

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

// Many lines: the pane is read, copied and scrolled as a text box would be.
TEST(WinLogPaneTest, ReadsCopiesAndShowsTheNewestOfALongLog)
{
    const ChartFolder folder;
    std::string chart = "#NOTES:\n";
    std::wstring expected = L"Checking SM file...\r\n";
    for (int measure = 1; measure <= 300; ++measure) {
        chart += "1\n2\n3\n,\n";
        expected += L"Problem note detected at beat: " + std::to_wstring(measure * 4)
            + L"\r\nMeasureSize: 3\r\n";
    }
    expected += L"Problem SM file. Please fix it before send to vorblen staff.\r\n";
    Window form;
    form.setPath(folder.write(L"threes.sm", chart));
    form.click(CheckButtonId);
    const HWND pane = form.control(LogPaneId);

    EXPECT_EQ(form.log(), expected);
    // As an EDIT control: what fits, NUL-ended, and the count copied.
    wchar_t start[8];
    EXPECT_EQ(SendMessageW(pane, WM_GETTEXT, 8, LPARAM(start)), 7);
    EXPECT_STREQ(start, L"Checkin");

    SendMessageW(pane, WM_CHAR, 1, 0); // Ctrl+A
    SendMessageW(pane, WM_CHAR, 3, 0); // Ctrl+C
    EXPECT_EQ(clipboardText(), expected);

    RECT client;
    RECT newest;
    GetClientRect(pane, &client);
    SendMessageW(pane, LB_GETITEMRECT, 601, LPARAM(&newest));
    EXPECT_GT(newest.top, 0);
    EXPECT_LE(newest.bottom, client.bottom);
}

} // namespace
} // namespace quillet
