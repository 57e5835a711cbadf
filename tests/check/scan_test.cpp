#include "../support/blockrecorder.h"
#include "../support/charts.h"
#include "../support/tempfolder.h"
#include "../support/logtext.h"
#include "checkrun.h"

#include <gtest/gtest.h>

#include <string>

namespace quillet {
namespace {

using namespace test;
using test::PrintTo; // for argument-dependent lookup from GoogleTest

std::string withEnds(std::string text, const std::string &eol)
{
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += eol.size())
        text.replace(at, 1, eol);
    return text;
}

// Events as test::BlockRecorder writes them; =0 OK, =1 problems.
const std::string commentedChart
    = "#TITLE:x;\n#NOTES:\n     dance-single:\n     :\n     Beginner:\n     1:\n     0:\n0000\n\n"
      "0000\n,  // m\n// c\n  indented\n0000\n;";
const std::string commentedEvents = "[1 dance-single Beginner 1] L11 e1 b4 r3 L15 e0 b8 r1 =1\n";

// Whole chunks of rows and measure ends, which are counted 64 bytes at a time.
std::string manyMeasuresEvents()
{
    std::string events = "[1 ]";
    for (int line = 6; line <= 50; line += 4)
        events += " L" + std::to_string(line) + " e1 b" + std::to_string(line - 2) + " r3";
    return events + " L51 e0 b52 r0 =1\n";
}

struct TrackCase
{
    const char *name;
    std::string chart;
    bool everyBlock;
    std::string events;
};

const std::vector<TrackCase> kCases = {
    {"CrLf", withEnds(commentedChart, "\r\n"), false, commentedEvents},
    {"Lf", commentedChart, false, commentedEvents},
    {"LoneCr", withEnds(commentedChart, "\r"), false, commentedEvents},
    {"EveryBlock", withEnds(song, "\r\n"), true,
        "[1 dance-single Challenge 12] =0\n[2 dance-single Beginner 1] L17 e0 b4 r1 L18 e0 b8 r0 "
        "=1\n"},
    {"BlockWithoutSemicolonRunsToTheEnd",
        "#T\n#NOTES:\n     dance-single:\n0000\n,\n0000\n#NOTES:\n     dance-double:\n0000\n0000\n,\n",
        true, "[1 dance-single] L5 e0 b4 r1 L11 e0 b8 r3 =1\n"},
    {"WholeChunksOfMeasures", "#T\n#NOTES:\n" + rows(12, "0000\n\n0000\n,", "\n") + ";\n", false,
        manyMeasuresEvents()},
};

using ScanTest = testing::TestWithParam<std::tuple<TrackCase, std::size_t>>;

TEST_P(ScanTest, FindsEachProblemsLine)
{
    const auto &[trackCase, blockSize] = GetParam();
    TempFolder folder;
    LogText log;
    BlockRecorder recorder;
    CheckRun run(log);
    run.setBlockSize(blockSize);
    run.setObserver(&recorder);
    run.setEveryBlock(trackCase.everyBlock);

    (void)run.run(folder.write("c.sm", trackCase.chart));

    EXPECT_EQ(recorder.events, trackCase.events);
}

INSTANTIATE_TEST_SUITE_P(Charts, ScanTest,
    testing::Combine(testing::ValuesIn(kCases),
        testing::Values(
            std::size_t(1), std::size_t(3), std::size_t(64), CheckRun::defaultBlockSize)),
    caseName);

} // namespace
} // namespace quillet
