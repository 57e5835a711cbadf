// Checks of the dialog record, made by the compiler: the cross build has no Windows to run on.

#include "chartdialog.h"
#include "opendialog_win.h"
#include "openfilename.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace quillet {

using namespace std::string_view_literals;

namespace {

constexpr bool endsWithTwoNuls(std::string_view text)
{
    return text.size() >= 2 && text.ends_with("\0\0"sv);
}

// Each text the record points at must be the buffer's own, with its length where one is asked.
constexpr bool recordIsSound(std::string_view defaultName, std::string_view filter)
{
    OpenFileNameBuffers buffers
        = makeOpenFileNameBuffers("Select SM", filter, defaultName, "C:\\Charts");
    const OPENFILENAMEA record = makeOpenFileNameRecord(nullptr, buffers);
    const std::string_view file(record.lpstrFile, record.nMaxFile);
    const std::string_view filterList(record.lpstrFilter, buffers.filter.size());
    return record.lStructSize == sizeof(OPENFILENAMEA) && record.Flags == 0x302000
        && record.nFilterIndex == 1 && record.hInstance == nullptr
        && record.lpstrCustomFilter == nullptr && record.nMaxCustFilter == 0
        && record.nFileOffset == 0 && record.nFileExtension == 0 && record.lCustData == 0
        && record.lpfnHook == nullptr && record.lpTemplateName == nullptr
        && record.nMaxFile == defaultName.size() + 1026 && file.starts_with(defaultName)
        && file.substr(defaultName.size(), 1024).find_first_not_of(' ') == std::string_view::npos
        && endsWithTwoNuls(file) && record.nMaxFileTitle == 515
        && record.lpstrFileTitle == buffers.fileTitle.data() && buffers.fileTitle.size() == 515
        && std::string_view(record.lpstrInitialDir) == "C:\\Charts"
        && buffers.initialDir.size() == 10 && std::string_view(record.lpstrTitle) == "Select SM"
        && std::string_view(record.lpstrDefExt, 2) == "\0\0"sv
        && filterList.starts_with(filter.substr(0, filter.find_last_not_of('\0') + 1))
        && endsWithTwoNuls(filterList);
}

static_assert(sizeof(void *) != 8 || sizeof(OPENFILENAMEA) != 76,
    "a 64-bit record is not the 32-bit one of 76 bytes");
static_assert(openDialogFlags == 0x302000);
static_assert(recordIsSound("", chartFilter), "the chart dialog's record");
static_assert(recordIsSound("song.sm", chartFilter), "a default name goes before the room");
static_assert(recordIsSound("", "Step Mania Single BPM File(*.sm)\0*.sm\0\0"sv),
    "an already ended filter list");
static_assert(recordIsSound("", "Charts\0*.sm\0Text\0*.txt\0"sv), "two filter pairs");
static_assert(
    makeOpenFileNameBuffers("", chartFilter, "", "").filter.size() == chartFilter.size() + 2,
    "one pair gets two NULs more: its pattern's end and the list's");

} // namespace
} // namespace quillet

// On Windows, by hand: "quillet-windialog-check --show" opens the chart dialog and prints the
// path chosen.
int main(int argc, char *argv[])
{
    if (argc != 2 || std::strcmp(argv[1], "--show") != 0)
        return 0;
    const std::string path
        = quillet::runOpenFileDialog(nullptr, quillet::chartDialogTitle, quillet::chartFilter, "");
    std::printf("%s\n", path.c_str());
    return path.empty() ? 1 : 0;
}
