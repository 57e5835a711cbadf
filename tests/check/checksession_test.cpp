#include "../support/charts.h"
#include "../support/tempfolder.h"
#include "checksession.h"
#include "checkview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quillet {
namespace {

using namespace std::chrono_literals;
using namespace test;
using test::PrintTo; // for argument-dependent lookup from GoogleTest

// Records what the session asks of its window; at each pump, runs the test's action.
class FakeView : public CheckView
{
public:
    void logAppended(std::size_t lineCount) override { shown.push_back(lineCount); }
    void logCleared() override { shown.push_back(0); }
    void setCheckEnabled(bool enabled) override { enabledCalls.push_back(enabled); }
    void processEvents() override
    {
        ++pumps;
        if (onPump)
            onPump();
    }

    std::vector<std::size_t> shown; // line counts shown, 0 for each clearing
    std::vector<bool> enabledCalls;
    int pumps = 0;
    std::function<void()> onPump;
};

using Chart = const std::string &;

// A pump interval of 0 pumps at every chance, one of an hour never within the run.
struct SessionCase
{
    const char *name;
    std::chrono::milliseconds interval;
    // At the first pump after a faulty measure is shown; null for none.
    void (*action)(CheckSession &session, Chart chart);
    bool abandoned;
};

const std::vector<SessionCase> kCases = {
    {"PumpsByTheClock", 0ms, nullptr, false},
    {"NoPumpWithinTheInterval", 1h, nullptr, false},
    {"NestedCheckRefused", 0ms, [](CheckSession &s, Chart chart) { s.check(chart); }, false},
    {"ChoosingAChartAbandons", 0ms, [](CheckSession &s, Chart) { s.chartChosen(); }, true},
    {"ClearingTheLogAbandons", 0ms, [](CheckSession &s, Chart) { s.clearLog(); }, true},
    {"ClosingAbandons", 0ms, [](CheckSession &s, Chart) { s.close(); }, true},
};

using CheckSessionTest = testing::TestWithParam<SessionCase>;

// The log shown outside a check at once, inside it in batches at the pumps; the button disabled
// for the whole run; the scratch file is tmp.sm in the given folder and gone afterwards; an
// abandoned run adds nothing to the log after the action that abandoned it.
TEST_P(CheckSessionTest, RulesOfARun)
{
    const SessionCase &c = GetParam();
    const bool pumps = c.interval == 0ms;
    TempFolder charts, scratch;
    const std::string chart = charts.write("long.sm", longChart());
    FakeView view;
    CheckSession session(view, scratch.path().string());
    session.setPumpInterval(c.interval);

    session.appendLog("earlier");
    EXPECT_EQ(view.shown, std::vector<std::size_t> {1});

    bool acted = false;
    bool scratchSeen = false;
    std::string logAtAction;
    std::size_t shownAtAction = 0;
    view.onPump = [&] {
        scratchSeen = scratchSeen || std::filesystem::exists(scratch.file("tmp.sm"));
        EXPECT_EQ(view.enabledCalls, std::vector<bool> {false});
        EXPECT_EQ(view.shown.back(), session.log().size());
        if (acted || session.logText().find("MeasureSize: ") == std::string::npos)
            return;
        acted = true;
        if (c.action)
            c.action(session, chart);
        logAtAction = session.logText();
        shownAtAction = view.shown.size();
    };
    session.check(chart);

    EXPECT_FALSE(session.isChecking());
    EXPECT_EQ(view.enabledCalls, (std::vector<bool> {false, true}));
    EXPECT_EQ(view.pumps > 0, pumps);
    EXPECT_EQ(scratchSeen, pumps);
    EXPECT_TRUE(scratch.entries().empty());
    if (c.abandoned) {
        EXPECT_EQ(session.logText(), logAtAction);
        EXPECT_EQ(view.shown.size(), shownAtAction);
    } else {
        EXPECT_EQ(session.logText(), "earlier\r\n" + longChartLog());
        // Batched: a few calls for thousands of lines, each showing more than the last.
        EXPECT_EQ(view.shown.back(), session.log().size());
        EXPECT_LT(view.shown.size(), pumps ? session.log().size() / 100 : 3);
        EXPECT_TRUE(std::is_sorted(view.shown.begin(), view.shown.end(), std::less_equal<>()));
    }

    // The session takes the next check as usual.
    view.onPump = nullptr;
    session.clearLog();
    session.check(chart);
    EXPECT_EQ(session.logText(), longChartLog());
}

INSTANTIATE_TEST_SUITE_P(CheckSession, CheckSessionTest, testing::ValuesIn(kCases), caseName);

// Lines are stored end to end; one that overflows a chunk starts the next, a huge one gets its own.
TEST(LogLinesTest, LinesAcrossChunks)
{
    LogLines lines;
    const std::string filler(700 * 1024, 'a');
    const std::string huge(3 * 1024 * 1024, 'b');
    for (const std::string &line :
        {std::string("x"), std::string(), filler, filler, huge, std::string("y")})
        lines.append(line);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines.line(0), "x");
    EXPECT_EQ(lines.line(1), "");
    EXPECT_EQ(lines.line(3), filler);
    EXPECT_EQ(lines.line(4), huge);
    EXPECT_EQ(lines.line(5), "y");
    EXPECT_EQ(lines.text(0, 2), "x\r\n\r\n");
    EXPECT_EQ(lines.text(4, 6, "\n"), huge + "\ny\n");
    EXPECT_EQ(lines.textSize(0, 6), 3 + 2 + 2 * (filler.size() + 2) + huge.size() + 2 + 3);
    lines.clear();
    EXPECT_TRUE(lines.empty());
}

} // namespace
} // namespace quillet
