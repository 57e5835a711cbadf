#include "../support/tempfolder.h"
#include "../support/logtext.h"
#include "checkrun.h"
#include "tempscratchfactory.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace quillet {
namespace {

using test::PrintTo;

// How an editor may hold the chart open while it is checked.
struct HeldCase
{
    const char *name;
    DWORD access;
    DWORD share;
};

const std::vector<HeldCase> kHeld = {
    {"ForWriting", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE},
    // Editors that save by renaming hold the right to delete the file.
    {"ForDeleting", GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
};

class HeldChartTest : public testing::TestWithParam<HeldCase>
{
};

TEST_P(HeldChartTest, IsStillChecked)
{
    test::TempFolder folder;
    const std::string chart
        = folder.write("chart.sm", "#T\r\n0000\r\n0000\r\n0000\r\n0000\r\n;\r\n");
    const HANDLE held = CreateFileA(chart.c_str(), GetParam().access, GetParam().share, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    LogText log;
    TempScratchFactory scratch(folder.path().string());

    const CheckResult result = CheckRun(log, scratch).run(chart);
    CloseHandle(held);

    EXPECT_EQ(result.outcome, CheckOutcome::Ok) << log.text();
}

INSTANTIATE_TEST_SUITE_P(Editor, HeldChartTest, testing::ValuesIn(kHeld),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace quillet
