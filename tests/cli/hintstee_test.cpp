#include "../support/charts.h"
#include "../support/mendtext.h"
#include "checkrun.h"
#include "gnureport.h"
#include "lineoutput.h"
#include "mend.h"
#include "outputsink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace quillet {
namespace {

using namespace test;

// A chart from memory, read at most step bytes at a time; with failAt, a read there fails.
class MemoryReader : public ChartReader
{
public:
    MemoryReader(const std::string &text, std::size_t step, std::size_t failAt)
        : m_text(text)
        , m_step(step)
        , m_failAt(failAt)
    { }

    long long read(char *data, std::size_t size, int &error) override
    {
        if (m_at >= m_failAt) {
            error = EIO;
            return -1;
        }
        const std::size_t count = std::min({size, m_step, m_text.size() - m_at});
        std::memcpy(data, m_text.data() + m_at, count);
        m_at += count;
        return (long long)count;
    }

private:
    const std::string &m_text;
    std::size_t m_step;
    std::size_t m_failAt;
    std::size_t m_at = 0;
};

struct Findings
{
    std::string out;
    std::string mended;
};

// The chart's findings, its hints read from a chart opened again (shared false) or from the
// check's own read through a HintsTee; blocks is the check's block size, step the most a read
// gives.
Findings findings(const std::string &chart, bool shared, std::size_t blocks, std::size_t step,
    std::size_t failAt = std::string::npos)
{
    StringSink out;
    StringSink errors;
    LineOutput output(out, errors);
    ReportOptions options;
    Tally tally;
    GnuReport report(options, output, tally);
    MendText mended;
    report.hints().setMendOutput(&mended);
    report.setChartOpener([&](const std::string &) {
        return std::make_unique<MemoryReader>(chart, step, failAt);
    });
    CheckRun run(report);
    run.setObserver(&report);
    run.setBlockSize(blocks);
    report.beginChart("C");
    MemoryReader reader(chart, step, failAt);
    if (shared) {
        HintsTee tee(reader, report.hints());
        (void)run.run(tee);
        const bool readToEnd = tee.readRest();
        EXPECT_EQ(readToEnd, failAt == std::string::npos);
    } else {
        (void)run.run(reader);
    }
    output.flush();
    return {out.text(), mended.text};
}

std::string mendOf(const std::string &chart)
{
    return mendPieces(chart, false, chart.size() + 1).text;
}

// Measures that --fix mends and one it cannot, in CR LF, the last with no line end at all.
const std::string kChart = "#TITLE:t;\r\n#NOTES:\r\n" + rows(4) + ",\r\n" + rows(2) + "\r\n"
    + rows(2) + ",\r\n" + rows(3) + ",\r\n" + rows(1, "1000") + ";";

struct TeeCase
{
    const char *name;
    std::size_t blocks; // the check's block size
    std::size_t step; // the most one read gives
};

const TeeCase kCases[] = {
    {"WholeChart", 1 << 16, 1 << 16},
    // Reads that cut the lines, CR from LF among them: the hints read ahead of the check.
    {"ByteReads", 1 << 16, 1},
    {"CheckBlocksOfThree", 3, 3},
    {"UnevenReads", 5, 7},
};

class HintsTeeTest : public testing::TestWithParam<TeeCase>
{ };

TEST_P(HintsTeeTest, GivesWhatAReadOfItsOwnGives)
{
    const TeeCase &c = GetParam();
    const Findings shared = findings(kChart, true, c.blocks, c.step);
    EXPECT_EQ(shared.out, findings(kChart, false, c.blocks, c.step).out);
    // The last measure, with no line end after it, is one --fix mends.
    EXPECT_TRUE(shared.out.ends_with("(--fix can write it as 4 rows without moving a note)\n"));
    EXPECT_EQ(shared.mended, mendOf(kChart));
}

INSTANTIATE_TEST_SUITE_P(Reads, HintsTeeTest, testing::ValuesIn(kCases),
    [](const testing::TestParamInfo<TeeCase> &info) { return std::string(info.param.name); });

TEST(HintsTee, ReadFailingMidwayEndsTheCheckAsAnyReadWould)
{
    const Findings shared = findings(kChart, true, 8, 8, 40);
    EXPECT_EQ(shared.out, findings(kChart, false, 8, 8, 40).out);
}

} // namespace
} // namespace quillet
