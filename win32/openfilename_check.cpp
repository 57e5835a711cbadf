// Checks of the dialog record, made by the compiler: the cross build has no Windows to run on.

#include "opendialog_win.h"
#include "openfilename.h"

#include "utf16_win.h"
#include "windowform.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace quillet {

using namespace std::string_view_literals;

namespace {

constexpr bool endsWithTwoNuls(std::wstring_view text)
{
    return text.size() >= 2 && text.ends_with(L"\0\0"sv);
}

// The form's texts are ASCII; the compiler cannot call the system's conversion.
constexpr std::wstring widened(std::string_view text)
{
    return std::wstring(text.begin(), text.end());
}

// Each text the record points at must be the buffer's own, with its length where one is asked.
constexpr bool recordIsSound(std::wstring_view defaultName, std::wstring_view filter)
{
    const std::wstring title = widened(chartDialog.title);
    OpenFileNameBuffers buffers
        = makeOpenFileNameBuffers(title, filter, defaultName, L"C:\\Charts");
    const OPENFILENAMEW record = makeOpenFileNameRecord(nullptr, buffers);
    const std::wstring_view file(record.lpstrFile, record.nMaxFile);
    const std::wstring_view filterList(record.lpstrFilter, buffers.filter.size());
    return record.lStructSize == sizeof(OPENFILENAMEW) && record.Flags == 0x302000
        && record.nFilterIndex == 1 && record.hInstance == nullptr
        && record.lpstrCustomFilter == nullptr && record.nMaxCustFilter == 0
        && record.nFileOffset == 0 && record.nFileExtension == 0 && record.lCustData == 0
        && record.lpfnHook == nullptr && record.lpTemplateName == nullptr
        && record.nMaxFile == defaultName.size() + 1026 && file.starts_with(defaultName)
        && file.substr(defaultName.size(), 1024).find_first_not_of(L' ') == std::wstring_view::npos
        && endsWithTwoNuls(file) && record.nMaxFileTitle == 515
        && record.lpstrFileTitle == buffers.fileTitle.data() && buffers.fileTitle.size() == 515
        && std::wstring_view(record.lpstrInitialDir) == L"C:\\Charts"
        && buffers.initialDir.size() == 10 && std::wstring_view(record.lpstrTitle) == title
        && std::wstring_view(record.lpstrDefExt, 2) == L"\0\0"sv
        && filterList.starts_with(filter.substr(0, filter.find_last_not_of(L'\0') + 1))
        && endsWithTwoNuls(filterList);
}

static_assert(sizeof(void *) != 8 || sizeof(OPENFILENAMEW) != 76,
    "a 64-bit record is not the 32-bit one of 76 bytes");
static_assert(openDialogFlags == 0x302000);
static_assert(recordIsSound(L"", widened(chartDialog.filter)), "the chart dialog's record");
static_assert(
    recordIsSound(L"曲.sm", widened(chartDialog.filter)), "a default name goes before the room");
static_assert(recordIsSound(L"", L"Step Mania Single BPM File(*.sm)\0*.sm\0\0"sv),
    "an already ended filter list");
static_assert(recordIsSound(L"", L"Charts\0*.sm\0Text\0*.txt\0"sv), "two filter pairs");
static_assert(makeOpenFileNameBuffers(L"", widened(chartDialog.filter), L"", L"").filter.size()
        == chartDialog.filter.size() + 2,
    "one pair gets two NULs more: its pattern's end and the list's");

} // namespace
} // namespace quillet

// On Windows, by hand: "quillet-windialog-check --show" opens the chart dialog and prints the
// path chosen.
int main(int argc, char *argv[])
{
    if (argc != 2 || std::strcmp(argv[1], "--show") != 0)
        return 0;
    const std::wstring path
        = quillet::runOpenFileDialog(nullptr, quillet::toUtf16(quillet::chartDialog.title),
            quillet::toUtf16(quillet::chartDialog.filter), L"");
    std::printf("%s\n", quillet::toUtf8(path).c_str());
    return path.empty() ? 1 : 0;
}
