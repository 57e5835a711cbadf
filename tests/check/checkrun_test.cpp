#include "../support/charts.h"
#include "../support/tempfolder.h"
#include "../support/logtext.h"
#include "checkrun.h"
#include "eventpump.h"
#include "folderscratchfactory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <utility>
#include <vector>

namespace quillet {
namespace {

using namespace test;
using test::PrintTo; // for argument-dependent lookup from GoogleTest
using Folder = const TempFolder &;

const std::string header = "#TITLE:Song;\r\n#NOTES:\r\n     dance-single:\r\n     Beginner:\r\n";

struct ChartCase
{
    const char *name;
    std::string chart;
    std::string log;
    std::optional<std::string> scratch = {}; // the scratch file's bytes when the scan begins
};

const std::vector<ChartCase> kCases = {
    {"AcceptedSizesPass",
        header + rows(4) + ",\r\n" + rows(8) + ",\r\n" + rows(12) + ",\r\n" + rows(16) + ",\r\n"
            + rows(24) + ",\r\n" + rows(48) + ";\r\n",
        okLog},
    {"FinerSizesAndEmptyMeasures",
        header + rows(32) + ",\r\n" + rows(64) + ",\r\n,\r\n" + rows(192) + ",\r\n;\r\n",
        problemLog({{4, 32}, {8, 64}, {12, 0}, {16, 192}, {20, 0}})},
    {"WithoutNotesLineNothingIsChecked",
        "#TITLE:Song;\r\n#BPMS:0.000=120.000\r\n;\r\n#NOTE\r\n0000\r\n,\r\n", okLog, ""},
    {"OnlyTheBlocksLinesAreCopied",
        "#T\r\n#NOTES:\r\n     dance-single:\r\n// c\r\n1000\r\n\r\n\t0\r\n,  // m\r\n0001\r\n;\r\n"
        "#NOTES:\r\n0000\r\n",
        problemLog({{4, 3}, {8, 1}}), "1000\r\n\r\n\t0\r\n,  // m\r\n0001\r\n;\r\n"},
    {"UnindentedHeaderLineIsARow", "#NOTES:\r\ndance-single:\r\n" + rows(4) + ";\r\n",
        problemLog({{4, 5}})},
    {"SecondBlockIsNotChecked",
        header + rows(4) + ";\r\n#NOTES:\r\n" + rows(7) + ",\r\n" + rows(7) + ";\r\n", okLog},
    {"WithoutSemicolonTheTailIsNotChecked",
        header + rows(4) + ",\r\n" + rows(2) + "#NOTES:\r\n" + rows(2) + ",\r\n" + rows(3), okLog},
    {"WithoutSemicolonAMeasureSpansBlocks",
        header + rows(4) + ",\r\n" + rows(2) + "#NOTES:\r\n" + rows(3) + ",\r\n",
        problemLog({{8, 5}})},
    {"HeaderValueOfFourLinesIsNoMeasure",
        "#T\r\n#BGCHANGES:\r\n" + rows(4, "0.000=a.png") + ";\r\n#notes:\r\n" + rows(7) + ";\r\n",
        problemLog({{4, 7}})},
    {"LoneLineFeedsOverManyChunks",
        "#NOTES:\n" + rows(40, rows(48, "0000", "\n") + ",", "\n") + rows(3, "0000", "\n")
            + rows(4, "00") + ";\n",
        problemLog({{164, 7}}), rows(40, rows(48) + ",") + rows(3) + rows(4, "00") + ";\r\n"},
    {"LoneCarriageReturns", "#NOTES:\r0000\r0000\r0000\r0000\r,\r0000\r;\r", problemLog({{8, 1}}),
        rows(4) + ",\r\n0000\r\n;\r\n"},
    {"CrCrLfAndLfCrHoldEmptyLines", "#NOTES:\r\n0000\r\r\n0000\n\r;", okLog,
        "0000\r\n\r\n0000\r\n\r\n;\r\n"},
    {"LastLinesWithoutLineEnd", header + rows(4) + ",\r\n" + rows(3) + ";  // end",
        problemLog({{8, 3}}), rows(4) + ",\r\n" + rows(3) + ";  // end\r\n"},
    {"LastLineEndsWithLoneCr", "#NOTES:\r\n0000\r\n0000\r", okLog, "0000\r\n0000\r\n"},
    {"LongFirstLineIsNotCopied", "#NOTES:" + std::string(100, 'x') + "\n0000\n", okLog, "0000\r\n"},
    {"RowsAroundAVectorChunk",
        "#NOTES:\r\n" + rows(1, std::string(63, '1')) + rows(1, std::string(64, '2'))
            + rows(1, std::string(65, '3')) + std::string(70, '4') + "\r\r\n\n" + ",\r\n;\r\n",
        problemLog({{4, 6}, {8, 0}})},
};

// Watches a run from its pumps: counts them, abandons the run at call abandonAt, keeps the log
// at the last call and the scratch file as the scan begins, and checks what stands in its place.
class WatchingPump : public EventPump
{
public:
    WatchingPump(const LogText &log, std::string scratchPath, int abandonAt = 0)
        : m_log(log)
        , m_path(std::move(scratchPath))
        , m_abandonAt(abandonAt)
    { }

    bool processEvents() override
    {
        std::error_code error;
        const auto status = std::filesystem::symlink_status(m_path, error);
        const bool regular = status.type() == std::filesystem::file_type::regular;
        scratchAlways = scratchAlways && regular;
        scratchEver = scratchEver || regular;
        if (mode == 0 && regular)
            mode = unsigned(status.permissions()) & 0777;
        if (!scratch && !m_log.text().empty())
            scratch = contents(m_path);
        logAtLastCall = m_log.text();
        return ++calls != m_abandonAt;
    }

    int calls = 0;
    bool scratchAlways = true; // tmp.sm stood in the application folder at every pump
    bool scratchEver = false;
    unsigned mode = 0; // the scratch file's permissions, where the system has them
    std::optional<std::string> scratch;
    std::string logAtLastCall;

private:
    const LogText &m_log;
    std::string m_path;
    int m_abandonAt;
};

// A case, a block size, and whether the chart goes through the window's scratch file or straight
// from the chart to the scan as on the command line: both give the same log.
using CheckRunTest = testing::TestWithParam<std::tuple<ChartCase, std::size_t, bool>>;

TEST_P(CheckRunTest, LogsExactly)
{
    const auto &[chartCase, blockSize, throughScratch] = GetParam();
    TempFolder charts, app;
    LogText log;
    FolderScratchFactory scratch(app.path().string());
    WatchingPump watch(log, scratch.path());
    CheckRun run = throughScratch ? CheckRun(log, scratch, &watch) : CheckRun(log, &watch);
    run.setBlockSize(blockSize);

    const CheckResult result = run.run(charts.write("chart.sm", chartCase.chart));

    EXPECT_EQ(log.text(), chartCase.log);
    EXPECT_EQ(result.outcome, chartCase.log == okLog ? CheckOutcome::Ok : CheckOutcome::Problems);
    if (throughScratch) {
        if (chartCase.scratch) {
            EXPECT_EQ(watch.scratch, chartCase.scratch);
        }
        EXPECT_TRUE(watch.scratchAlways) << "no tmp.sm in the application folder during the run";
#ifndef _WIN32
        EXPECT_EQ(watch.mode, 0600u) << "the scratch copy is readable by others";
#endif
    } else {
        EXPECT_FALSE(watch.scratchEver) << "a scratch file on the command line's way";
    }
    EXPECT_TRUE(app.entries().empty()) << "scratch file left behind";
}

// Blocks too small for a 64-byte chunk: every line end falls across blocks.
INSTANTIATE_TEST_SUITE_P(SmallBlocks, CheckRunTest,
    testing::Combine(testing::ValuesIn(kCases), testing::Values(std::size_t(1), std::size_t(3)),
        testing::Bool()),
    caseName);

// Blocks that reach the vector code, for the charts long enough to fill a chunk: ctest runs these
// at every vector width.
std::vector<ChartCase> vectorCases()
{
    std::vector<ChartCase> cases;
    for (const ChartCase &c : kCases) {
        if (c.chart.size() >= 64)
            cases.push_back(c);
    }
    return cases;
}

// 4096: the scratch copy's buffer fills and is written more than once.
INSTANTIATE_TEST_SUITE_P(VectorBlocks, CheckRunTest,
    testing::Combine(testing::ValuesIn(vectorCases()),
        testing::Values(std::size_t(64), std::size_t(65), std::size_t(4096),
            CheckRun::defaultBlockSize),
        testing::Bool()),
    caseName);

// Charts that are incorrect, each for its own reason; chart() returns the path to check.
struct IncorrectCase
{
    const char *name;
    std::function<std::string(Folder)> chart;
    CheckFailure failure;
};

// A chart of these bytes.
std::function<std::string(Folder)> bytes(std::string chart)
{
    return [chart](Folder f) { return f.write("chart.sm", chart); };
}

const std::vector<IncorrectCase> kIncorrect = {
    {"Empty", bytes(""), CheckFailure::Empty},
    {"ByteOrderMark", bytes("\xEF\xBB\xBF#TITLE:Song;\r\n"), CheckFailure::ByteOrderMark},
    {"Utf16LittleEndian", bytes(std::string("\xFF\xFE#\0", 4)), CheckFailure::Utf16},
    {"Utf16BigEndian", bytes(std::string("\xFE\xFF\0#", 4)), CheckFailure::Utf16},
    {"BlankCrLfLine", bytes("\r\n#TITLE:Song;\r\n"), CheckFailure::BlankFirstLine},
    {"BlankLfLine", bytes("\n#TITLE:Song;\n"), CheckFailure::BlankFirstLine},
    {"Comment", bytes("// made by hand\r\n#TITLE:Song;\r\n"), CheckFailure::CommentFirstLine},
    {"NoHash", bytes("TITLE:Song;\r\n"), CheckFailure::NoHashFirstLine},
    {"MissingFile", [](Folder f) { return f.file("missing.sm"); }, CheckFailure::CannotOpen},
#ifndef _WIN32 // Windows drops trailing spaces from every path: "c.sm " is "c.sm" there.
    {"TrailingSpaceIsKept", [](Folder f) { return f.write("c.sm", "#T\r\n;\r\n") + " "; },
        CheckFailure::CannotOpen},
#endif
    {"Folder", [](Folder f) { return f.path().string(); }, CheckFailure::NotRegularFile},
#ifdef _WIN32
    // Devices, which a read could wait on for ever.
    {"NulDevice", [](Folder) { return std::string("NUL"); }, CheckFailure::NotRegularFile},
    {"ConsoleDevice", [](Folder) { return std::string("CON"); }, CheckFailure::NotRegularFile},
#else
    {"FifoWithNoWriter",
        [](Folder f) { return ::mkfifo(f.file("fifo.sm").c_str(), 0600), f.file("fifo.sm"); },
        CheckFailure::NotRegularFile},
#endif
};

using IncorrectTest = testing::TestWithParam<IncorrectCase>;

// One byte a block: the reason needs more of the chart than the first read gives.
TEST_P(IncorrectTest, SaysWhyAtOnceWithoutScratch)
{
    TempFolder charts, app;
    LogText log;
    FolderScratchFactory scratch(app.path().string());
    CheckRun run(log, scratch);
    run.setBlockSize(1);

    const CheckResult result = run.run(GetParam().chart(charts));

    EXPECT_EQ(log.text(), "Incorrect SM file! Please check\r\n");
    EXPECT_EQ(result.outcome, CheckOutcome::Incorrect);
    EXPECT_EQ(result.failure, GetParam().failure);
    EXPECT_TRUE(app.entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Charts, IncorrectTest, testing::ValuesIn(kIncorrect), caseName);

// With QUILLET_WRITE_CHARTS naming a folder, writes the tables' charts there, one file a case, so
// that builds for other platforms can be compared on them (tests/windows).
TEST(ChartTables, WriteTheirChartsWhenAsked)
{
    const char *folder = std::getenv("QUILLET_WRITE_CHARTS");
    if (folder == nullptr)
        GTEST_SKIP() << "QUILLET_WRITE_CHARTS is not set";
    const auto write = [&](const char *name, const std::string &chart) {
        std::ofstream(std::filesystem::path(folder) / (name + std::string(".sm")), std::ios::binary)
            << chart;
    };
    for (const ChartCase &chartCase : kCases)
        write(chartCase.name, chartCase.chart);
    for (const IncorrectCase &incorrect : kIncorrect) {
        TempFolder charts;
        const std::string path = incorrect.chart(charts);
        if (std::filesystem::is_regular_file(path))
            write(incorrect.name, contents(path));
    }
}

#ifndef _WIN32 // The C runtime of Windows has no non-blocking descriptors.
// A non-blocking pipe whose writer is slow: the run waits for the chart instead of failing.
TEST(NonBlockingInputTest, WaitsForTheChart)
{
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(::write(ends[1], okChart.data(), okChart.size()), ssize_t(okChart.size()));
        ::close(ends[1]);
    });
    LogText log;

    const CheckResult result = CheckRun(log).runOnDescriptor(ends[0]);
    writer.join();
    ::close(ends[0]);

    EXPECT_EQ(result.outcome, CheckOutcome::Ok);
    EXPECT_EQ(log.text(), okLog);
}
#endif

// A chart of 10,003 lines, abandoned at a pump: before extraction, during it, before the scan,
// during it.
using PumpTest = testing::TestWithParam<int>;

TEST_P(PumpTest, AbandonsWithoutVerdictOrScratch)
{
    TempFolder charts, app;
    LogText log;
    FolderScratchFactory scratch(app.path().string());
    WatchingPump pump(log, scratch.path(), GetParam());
    CheckRun run(log, scratch, &pump);

    const CheckResult result
        = run.run(charts.write("c.sm", "#NOTES:\r\n" + rows(5000) + ",\r\n" + rows(5000) + ";\r\n"));

    EXPECT_EQ(result.outcome, CheckOutcome::Abandoned);
    EXPECT_EQ(pump.calls, GetParam());
    EXPECT_EQ(log.text(), pump.logAtLastCall) << "logged after the run was abandoned";
    EXPECT_TRUE(app.entries().empty());
}

INSTANTIATE_TEST_SUITE_P(AtPump, PumpTest, testing::Values(1, 2, 4, 6));

} // namespace
} // namespace quillet
