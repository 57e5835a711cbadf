#include "../support/tempfolder.h"
#include "checkrun.h"
#include "eventpump.h"
#include "folderscratchfactory.h"
#include "logtext.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillet {
namespace {

const std::string ok = "SM file is OK. Ready to send to convert.";
const std::string bad = "Problem SM file. Please fix it before send to vorblen staff.";
const std::string checking = "Checking SM file...";
const std::string incorrect = "Incorrect SM file! Please check";

std::string logOf(const std::vector<std::string> &messages)
{
    std::string text;
    for (const std::string &message : messages)
        text += message + "\r\n";
    return text;
}

std::string rows(int count, const std::string &row = "0000", const std::string &eol = "\r\n")
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += row + eol;
    return text;
}

std::vector<std::string> problem(int beat, int size)
{
    return {"Problem note detected at beat: " + std::to_string(beat),
        "MeasureSize: " + std::to_string(size)};
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct ChartCase
{
    const char *name;
    std::string chart;
    std::vector<std::string> log;
};

// Test names and failures show the case's name, not its bytes.
void PrintTo(const ChartCase &value, std::ostream *out)
{
    *out << value.name;
}

const std::string header = "#TITLE:Song;\r\n#BPMS:0.000=120.000;\r\n#NOTES:\r\n"
                           "     dance-single:\r\n     :\r\n     Beginner:\r\n     1:\r\n"
                           "     0,0,0,0,0:\r\n";

const std::vector<ChartCase> kCases = {
    {"AcceptedSizesPass",
        header + rows(4) + ",\r\n" + rows(8) + ",\r\n" + rows(12) + ",\r\n" + rows(16) + ",\r\n"
            + rows(24) + ",\r\n" + rows(48) + ";\r\n",
        {checking, ok}},
    {"SecondMeasureOfSeven", header + rows(4) + ",\r\n" + rows(7) + ",\r\n" + rows(4) + ";\r\n",
        std::vector<std::string> {checking} + problem(8, 7) + std::vector<std::string> {bad}},
    {"FinerSizesAndEmptyMeasureAreProblems",
        header + rows(32) + ",\r\n" + rows(64) + ",\r\n,\r\n" + rows(192) + ",\r\n" + rows(4)
            + ";\r\n",
        std::vector<std::string> {checking} + problem(4, 32) + problem(8, 64) + problem(12, 0)
            + problem(16, 192) + std::vector<std::string> {bad}},
    {"ClosingMeasureIsChecked", header + rows(4) + ",\r\n" + rows(5) + ";\r\n",
        std::vector<std::string> {checking} + problem(8, 5) + std::vector<std::string> {bad}},
    {"OnlyTheFirstLine", "#TITLE:Song;", {checking, ok}},
    {"OnlySkippedLines", "#TITLE:Song;\r\n#NOTES:\r\n// comment\r\n  indented\r\n", {checking, ok}},
    {"EmptyFile", "", {incorrect}},
    {"FirstLineNotATag", "TITLE:Song;\r\n" + rows(3) + ";\r\n", {incorrect}},
    {"ByteOrderMark", "\xEF\xBB\xBF#TITLE:Song;\r\n" + rows(3) + ";\r\n", {incorrect}},
    {"BlankFirstLine", "\r\n#TITLE:Song;\r\n" + rows(3) + ";\r\n", {incorrect}},
    {"SpaceBeforeFirstTag", " #TITLE:Song;\r\n" + rows(3) + ";\r\n", {incorrect}},
    {"SkippedLinesInsideTheBlock",
        header + "0000\r\n// comment\r\n#TAG\r\n 0000\r\n0000\r\n0000\r\n0000\r\n;\r\n",
        {checking, ok}},
    {"UnindentedHeaderLineIsARow", "#NOTES:\r\ndance-single:\r\n" + rows(4) + ";\r\n",
        std::vector<std::string> {checking} + problem(4, 5) + std::vector<std::string> {bad}},
    {"BlankAndTabLinesAreRows", header + "0000\r\n\r\n\t0000\r\n0000\r\n;\r\n", {checking, ok}},
    {"DelimitersWithTrailingComments",
        header + rows(4) + ",  // measure 1\r\n" + rows(3) + ";  // end\r\n",
        std::vector<std::string> {checking} + problem(8, 3) + std::vector<std::string> {bad}},
    {"SecondBlockIsNotChecked",
        header + rows(4) + ";\r\n#NOTES:\r\n" + rows(7) + ",\r\n" + rows(7) + ";\r\n",
        {checking, ok}},
    {"WithoutSemicolonLaterBlocksAreScannedButNotTheTail",
        header + rows(4) + ",\r\n" + rows(2) + "#NOTES:\r\n" + rows(2) + ",\r\n" + rows(3),
        {checking, ok}},
    {"WithoutSemicolonAMeasureSpansBlocks",
        header + rows(4) + ",\r\n" + rows(2) + "#NOTES:\r\n" + rows(3) + ",\r\n",
        std::vector<std::string> {checking} + problem(8, 5) + std::vector<std::string> {bad}},
    {"HeaderContinuationLineEndsTheBlock",
        "#TITLE:Song;\r\n#BGCHANGES:0.000=a.png\r\n;\r\n#NOTES:\r\n" + rows(7) + ";\r\n",
        std::vector<std::string> {checking} + problem(4, 0) + std::vector<std::string> {bad}},
    {"LoneLineFeeds",
        "#TITLE:Song;\n" + rows(4, "0000", "\n") + ",\n" + rows(3, "0000", "\n") + ";\n",
        std::vector<std::string> {checking} + problem(8, 3) + std::vector<std::string> {bad}},
    {"LoneLineFeedsOverManyChunks",
        "#TITLE:Song;\n" + rows(48, "0000", "\n") + ",\n" + rows(3, "0000", "\n")
            + rows(4, "00", "\r\n") + ";\n",
        std::vector<std::string> {checking} + problem(8, 7) + std::vector<std::string> {bad}},
    {"LoneCarriageReturns",
        "#TITLE:Song;\r" + rows(4, "0000", "\r") + ",\r" + rows(3, "0000", "\r") + ";\r",
        std::vector<std::string> {checking} + problem(8, 3) + std::vector<std::string> {bad}},
    {"CrCrLfHoldsAnEmptyLine", "#TITLE:Song;\r\n0000\r\r\n0000\r\n0000\r\n;\r\n", {checking, ok}},
    {"LfCrHoldsAnEmptyLine", "#TITLE:Song;\r\n0000\n\r0000\r\n0000\r\n;\r\n", {checking, ok}},
    {"MixedLineEnds", "#TITLE:Song;\n0000\r0000\r\n0000\n0000\r,\n0000\r\n;",
        std::vector<std::string> {checking} + problem(8, 1) + std::vector<std::string> {bad}},
    {"LastLineWithoutLineEnd", header + rows(4) + ",\r\n" + rows(3) + ";",
        std::vector<std::string> {checking} + problem(8, 3) + std::vector<std::string> {bad}},
    {"LastRowWithoutLineEnd", header + rows(4) + ",\r\n0000\r\n0000", {checking, ok}},
    {"RowsLongerThanAVectorChunk",
        "#TITLE:Song;\r\n" + rows(2, std::string(62, '0')) + rows(1, std::string(63, '1'))
            + rows(1, std::string(64, '2')) + rows(1, std::string(65, '3')) + ",\r\n"
            + rows(3, std::string(200, '4')) + ";\r\n",
        std::vector<std::string> {checking} + problem(4, 5) + problem(8, 3)
            + std::vector<std::string> {bad}},
    {"LinesStartingWithLineEndBytesInsideLongRun",
        "#TITLE:Song;\r\n" + std::string(70, '0') + "\r\r\n\n" + std::string(61, '0') + "\r\n;\r\n",
        {checking, ok}},
};

class CheckRunTest : public testing::TestWithParam<std::tuple<ChartCase, std::size_t>>
{
protected:
    test::TempFolder charts;
    test::TempFolder appFolder;
};

TEST_P(CheckRunTest, LogsExactly)
{
    const auto &[chartCase, blockSize] = GetParam();
    const std::string path = charts.write("chart.sm", chartCase.chart);
    LogText log;
    FolderScratchFactory scratch(appFolder.path().string());
    CheckRun run(log, scratch);
    run.setBlockSize(blockSize);

    const CheckResult result = run.run(path);

    EXPECT_EQ(log.text(), logOf(chartCase.log));
    const CheckOutcome expected = chartCase.log.back() == ok ? CheckOutcome::Ok
        : chartCase.log.back() == bad                        ? CheckOutcome::Problems
                                                             : CheckOutcome::Incorrect;
    EXPECT_EQ(result.outcome, expected);
    EXPECT_TRUE(appFolder.entries().empty()) << "scratch file left behind";
}

INSTANTIATE_TEST_SUITE_P(Charts, CheckRunTest,
    testing::Combine(testing::ValuesIn(kCases),
        testing::Values(std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(64),
            std::size_t(65), CheckRun::defaultBlockSize)),
    [](const auto &info) {
        return std::string(std::get<0>(info.param).name) + "Block"
            + std::to_string(std::get<1>(info.param));
    });

// Records each pump call and whether the scratch file stood at its path as a regular file.
class RecordingPump : public EventPump
{
public:
    RecordingPump(LogText &log, std::string scratchPath, int abandonAt = 0)
        : m_log(log)
        , m_scratchPath(std::move(scratchPath))
        , m_abandonAt(abandonAt)
    { }

    bool processEvents() override
    {
        ++calls;
        logAtCall.push_back(m_log.text());
        struct stat info;
        scratchWasRegular = scratchWasRegular && ::lstat(m_scratchPath.c_str(), &info) == 0
            && S_ISREG(info.st_mode);
        return calls != m_abandonAt;
    }

    int calls = 0;
    bool scratchWasRegular = true;
    std::vector<std::string> logAtCall;

private:
    LogText &m_log;
    std::string m_scratchPath;
    int m_abandonAt;
};

class CheckRunPumpTest : public testing::Test
{
protected:
    test::TempFolder charts;
    test::TempFolder appFolder;
    LogText log;
    FolderScratchFactory scratch {appFolder.path().string()};
};

TEST_F(CheckRunPumpTest, PumpsEachPassAndEveryFewThousandLines)
{
    // 1 + 10000 + 1 lines copied; scan reads 10000 rows before the ';' line.
    const std::string path = charts.write("c.sm", "#T\r\n" + rows(10000) + ";\r\n");
    RecordingPump pump(log, scratch.path());
    CheckRun run(log, scratch, &pump);

    EXPECT_EQ(run.run(path).outcome, CheckOutcome::Problems);
    const int extraction = 1 + int(10002 / EventPump::linesPerPump);
    const int scan = 1 + int(10000 / EventPump::linesPerPump);
    EXPECT_EQ(pump.calls, extraction + scan);
    EXPECT_TRUE(pump.scratchWasRegular) << "tmp.sm missing from the application folder mid-run";
}

struct AbandonCase
{
    const char *name;
    int abandonAt;
};

void PrintTo(const AbandonCase &value, std::ostream *out)
{
    *out << value.name;
}

class CheckRunAbandonTest : public CheckRunPumpTest, public testing::WithParamInterface<AbandonCase>
{
};

TEST_P(CheckRunAbandonTest, StopsWithoutVerdictOrScratch)
{
    const std::string path
        = charts.write("c.sm", "#T\r\n" + rows(5000) + ",\r\n" + rows(5000) + ";\r\n");
    RecordingPump pump(log, scratch.path(), GetParam().abandonAt);
    CheckRun run(log, scratch, &pump);

    EXPECT_EQ(run.run(path).outcome, CheckOutcome::Abandoned);
    EXPECT_EQ(pump.calls, GetParam().abandonAt);
    // Nothing is logged after the pump that abandoned the run.
    EXPECT_EQ(log.text(), pump.logAtCall.back());
    EXPECT_TRUE(appFolder.entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Pumps, CheckRunAbandonTest,
    testing::ValuesIn(std::vector<AbandonCase> {
        {"BeforeExtraction", 1},
        {"DuringExtraction", 2},
        {"BeforeScan", 4},
        {"DuringScan", 6},
    }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace quillet

namespace quillet {
namespace {

// Reads the scratch file when the scan pass begins, that is when "Checking SM file..." is logged.
class ScratchCapture : public EventPump
{
public:
    ScratchCapture(LogText &log, std::string path)
        : m_log(log)
        , m_path(std::move(path))
    { }

    bool processEvents() override
    {
        if (scratch.empty() && !m_log.text().empty()) {
            std::ifstream file(m_path, std::ios::binary);
            scratch.assign(std::istreambuf_iterator<char>(file), {});
        }
        return true;
    }

    std::string scratch;

private:
    LogText &m_log;
    std::string m_path;
};

struct ScratchCase
{
    const char *name;
    std::string chart;
    std::string scratch;
};

void PrintTo(const ScratchCase &value, std::ostream *out)
{
    *out << value.name;
}

const std::string longLfRows = rows(30, "0000", "\n");

const std::vector<ScratchCase> kScratchCases = {
    {"OnlyTheBlocksLinesEachWithCrLf",
        "#TITLE:x;\r\n#NOTES:\r\n     dance-single:\r\n// c\r\n1000\r\n\r\n\t0\r\n,  // "
        "m\r\n0001\r\n;\r\n"
        "#NOTES:\r\n0000\r\n",
        "1000\r\n\r\n\t0\r\n,  // m\r\n0001\r\n;\r\n"},
    {"LoneLineFeedsGetCrLf", "#T\n" + longLfRows + ";\n", rows(30) + ";\r\n"},
    {"LoneCarriageReturnsGetCrLf", "#T\r0000\r0000\r;\r", "0000\r\n0000\r\n;\r\n"},
    {"CrCrLfIsAnEmptyLine", "#T\r\n0000\r\r\n0000\n\r;", "0000\r\n\r\n0000\r\n\r\n;\r\n"},
    {"LastLineWithoutLineEnd", "#T\r\n0000\r\n0000", "0000\r\n0000\r\n"},
    {"LastLineEndsWithLoneCr", "#T\r\n0000\r\n0000\r", "0000\r\n0000\r\n"},
    {"SemicolonLineWithoutLineEnd", "#T\n0000\n;  // end", "0000\r\n;  // end\r\n"},
    {"FirstLineIsNeverCopiedEvenWhenLong", "#" + std::string(100, 'x') + "\n0000\n", "0000\r\n"},
};

class ScratchContentTest : public testing::TestWithParam<std::tuple<ScratchCase, std::size_t>>
{
};

TEST_P(ScratchContentTest, HoldsTheBlocksLinesEachFollowedByCrLf)
{
    const auto &[scratchCase, blockSize] = GetParam();
    test::TempFolder folder;
    test::TempFolder app;
    LogText log;
    FolderScratchFactory factory(app.path().string());
    ScratchCapture capture(log, factory.path());
    CheckRun run(log, factory, &capture);
    run.setBlockSize(blockSize);

    (void)run.run(folder.write("c.sm", scratchCase.chart));

    EXPECT_EQ(capture.scratch, scratchCase.scratch);
}

INSTANTIATE_TEST_SUITE_P(Charts, ScratchContentTest,
    testing::Combine(testing::ValuesIn(kScratchCases),
        testing::Values(std::size_t(1), std::size_t(7), CheckRun::defaultBlockSize)),
    [](const auto &info) {
        return std::string(std::get<0>(info.param).name) + "Block"
            + std::to_string(std::get<1>(info.param));
    });

} // namespace
} // namespace quillet
