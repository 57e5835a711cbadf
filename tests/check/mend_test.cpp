#include "fileio.h"
#include "mend.h"
#include "replacefile.h"

#include "../support/mendtext.h"
#include "../support/tempfolder.h"

#include <gtest/gtest.h>

#include <string>

namespace quillet {
namespace {

using namespace test;
using test::PrintTo; // for argument-dependent lookup from GoogleTest

std::string rows(int count, const char *row, const char *end = "\n")
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text.append(row).append(end);
    return text;
}

// 192 rows, a note on every sixteenth (12ths), or with one on row 4 too (48ths).
std::string customSnaps(bool with48th)
{
    std::string text;
    for (int i = 0; i < 192; ++i)
        text += i % 16 == 0 || (with48th && i == 4) ? "1000\n" : "0000\n";
    return text;
}

struct MendCase
{
    const char *name;
    std::string chart;
    std::string mended; // empty: the chart as it is
    std::uint64_t mendedMeasures;
    std::uint64_t faultyMeasures;
    bool everyBlock = false;
};

const std::string head = "#TITLE:t;\n#BPMS:0=120\n;\n#NOTES:\n     dance-single:\n";

const std::vector<MendCase> kCases = {
    {"BlankRowsDropped", head + "1000\n\n0100\n\t \n0010\n0001\n;\n",
        head + "1000\n0100\n0010\n0001\n;\n", 1, 1},
    {"CustomSnapsToTwelve", head + customSnaps(false) + ";\n", head + rows(12, "1000") + ";\n", 1,
        1},
    {"CustomSnapsToFortyEight", head + customSnaps(true) + ";\n",
        head + "1000\n1000\n0000\n0000\n" + rows(11, "1000\n0000\n0000\n0000") + ";\n", 1, 1},
    {"SixRowsToTwelve",
        head + "1000\n0100\n0010\n0001\n1000\n0100 // x\n,\n" + rows(4, "0000") + ";\n",
        head + "1000\n0000\n0100\n0000\n0010\n0000\n0001\n0000\n1000\n0000\n0100 // x\n0000\n,\n"
            + rows(4, "0000") + ";\n",
        1, 1},
    {"NotesOnlyOnTheFirstOfFiveRows", head + "  // intro\n1001\n0000\n0000\n0000\n0000\n;\n",
        head + "  // intro\n1001\n0000\n0000\n0000\n;\n", 1, 1},
    {"UnequalWidthsLeftAlone", head + "1000\n00000\n0000\n0000\n0000\n;\n", "", 0, 1},
    {"CommentBetweenRowsLeftAlone", head + "1000\n0000\n// x\n0000\n0000\n0000\n;\n", "", 0, 1},
    {"ThirtySecondNotesLeftAlone", head + rows(31, "0000") + "1000\n;\n", "", 0, 1},
    {"EmptyMeasureLeftAlone", head + rows(4, "0000") + ",\n,\n" + rows(4, "0000") + ";\n", "", 0,
        1},
    {"CrLfLineEnds", head + "1000\r\n\r\n0100\r\n0010\r\n0001\r\n;\r\n",
        head + "1000\r\n0100\r\n0010\r\n0001\r\n;\r\n", 1, 1},
    // New rows end as the measure's first row does.
    {"LoneCrLineEnds", "#T\r#NOTES:\r1000\r0100\r0010\r0001\r1000\r0100\r;",
        "#T\r#NOTES:\r1000\r0000\r0100\r0000\r0010\r0000\r0001\r0000\r1000\r0000\r0100\r0000\r;", 1,
        1},
    {"LastMeasureWithNoLineEnd", head + "1000\n\n0100\n0010\n0001\n,",
        head + "1000\n0100\n0010\n0001\n,", 1, 1},
    {"RowsAfterTheLastMeasureEndAreNotMended", head + rows(4, "0000") + ",\n1000\n\n0000", "", 0,
        0},
    {"OnlyTheFirstBlock",
        head + "1000\n\n0100\n0010\n0001\n;\n#NOTES:\n1000\n\n0100\n0010\n0001\n;\n",
        head + "1000\n0100\n0010\n0001\n;\n#NOTES:\n1000\n\n0100\n0010\n0001\n;\n", 1, 1},
    {"EveryBlock", head + rows(4, "0000") + ";\n\n// b\n#notes:\n1000\n\n0100\n0010\n0001\n;\n",
        head + rows(4, "0000") + ";\n\n// b\n#notes:\n1000\n0100\n0010\n0001\n;\n", 1, 1, true},
    {"NoHashFirstLineNotMended", "x\n#NOTES:\n1000\n\n0100\n0010\n0001\n;\n", "", 0, 0},
};

using MendTest = testing::TestWithParam<MendCase>;

TEST_P(MendTest, WritesTheMendedChart)
{
    const MendCase &c = GetParam();
    const std::string expected = c.mended.empty() ? c.chart : c.mended;
    // Whole, and a byte at a time: lines and CR LF cut by the chunks.
    for (const std::size_t chunk : {std::size_t(1) << 20, std::size_t(1)}) {
        const Mended once = mendPieces(c.chart, c.everyBlock, chunk);
        EXPECT_EQ(once.text, expected) << chunk;
        EXPECT_EQ(once.mended, c.mendedMeasures);
        EXPECT_EQ(once.faulty, c.faultyMeasures);
        EXPECT_EQ(mendPieces(expected, c.everyBlock, chunk).mended, 0u) << "mended twice";
    }
}

INSTANTIATE_TEST_SUITE_P(Charts, MendTest, testing::ValuesIn(kCases), caseName);

// The chart is replaced only as it was when it was read.
TEST(ReplacementFileTest, RefusesAChartThatChanged)
{
    TempFolder folder;
    const std::string chart = folder.write("song.sm", "old");
    int error = 0;
    const int original = fileio::openForReading(chart, error);
    ReplacementFile file(chart, original);
    ASSERT_EQ(file.create(), ReplaceFailure::None);
    folder.write("song.sm", "changed");
    EXPECT_EQ(file.commit(), ReplaceFailure::Changed);
    EXPECT_EQ(contents(chart), "changed");
    EXPECT_EQ(folder.entries().size(), 1u) << "the new file is left behind";
    (void)fileio::close(original);
}

} // namespace
} // namespace quillet
