#include "../support/tempfolder.h"
#include "blockobserver.h"
#include "checkrun.h"
#include "messages.h"
#include "messagesink.h"
#include "tempscratchfactory.h"

#include <gtest/gtest.h>

#include <string>

namespace quillet {
namespace {

using test::PrintTo;

// Writes down what an observer is told, and the problems the log reports, to compare the two.
class Recorder : public BlockObserver, public MessageSink
{
public:
    void blockBegins(std::uint64_t number, std::string_view name) override
    {
        events.append("[").append(std::to_string(number)).append(" ").append(name).append("]");
    }
    void measureProblem(const MeasureProblem &p) override
    {
        events.append(" L").append(std::to_string(p.line));
        events.append(" e").append(std::to_string(p.blankRows));
        fromObserver.append(" b").append(std::to_string(p.beat));
        fromObserver.append(" r").append(std::to_string(p.rows));
    }
    void blockEnds(const CheckResult &result) override
    {
        events.append(" =").append(std::to_string(int(result.outcome))).append("\n");
    }
    void addMessage(std::string_view message) override
    {
        for (const auto &[text, key] :
            {std::pair {messages::problemAtBeat, " b"}, {messages::measureSize, " r"}}) {
            if (message.starts_with(text))
                fromLog.append(key).append(message.substr(text.size()));
        }
    }

    std::string events, fromObserver, fromLog;
};

std::string withEnds(std::string text, const std::string &eol)
{
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += eol.size())
        text.replace(at, 1, eol);
    return text;
}

// =0 OK, =1 problems: each faulty measure's line and empty rows, its beat and rows in the log.
const std::string commentedChart
    = "#TITLE:x;\n#NOTES:\n     dance-single:\n     :\n     Beginner:\n     1:\n     0:\n0000\n\n"
      "0000\n,  // m\n// c\n  indented\n0000\n;";
const std::string commentedEvents = "[1 dance-single Beginner 1] L11 e1 L15 e0 =1\n";
const std::string song
    = "#T\n#NOTES:\n dance-single:\n :\n Challenge:\n 12:\n 0:\n0000\n0000\n0000\n"
      "0000\n;\n#NOTES:dance-single::Beginner:1::\n0000\n,\n;\n0000\n0000\n;\n\n";
const std::string songEvents = "[1 dance-single Challenge 12] =0\n[2 dance-single Beginner 1] L15 "
                               "e0 L16 e0 =1\n[3 ] L19 e0 =1\n";

std::string manyMeasures(bool events)
{
    std::string text = events ? "[1 ]" : "#T\n";
    for (int line = 5; line <= 49; line += 4)
        text.append(events ? " L" + std::to_string(line) + " e1" : "0000\n\n0000\n,\n");
    return text + (events ? " L50 e0 =1\n" : ";\n");
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
    {"FirstBlockAlone", song, false, "[1 dance-single Challenge 12] =0\n"},
    {"EveryBlockCrLf", withEnds(song, "\r\n"), true, songEvents},
    {"EveryBlockLoneCr", withEnds(song, "\r"), true, songEvents},
    {"TagWithoutMeasureIsABlock", "#T\n0000\n;\n#NOTES:\n     dance-single:\n0000\n", true,
        "[1 ] L3 e0 =1\n[2 dance-single] =0\n"},
    {"WholeChunksOfMeasures", manyMeasures(false), false, manyMeasures(true)},
};

class MeasureTrackerTest : public testing::TestWithParam<std::tuple<TrackCase, std::size_t>>
{
};

TEST_P(MeasureTrackerTest, FindsEachProblemsLine)
{
    const auto &[trackCase, blockSize] = GetParam();
    test::TempFolder folder;
    Recorder recorder;
    TempScratchFactory scratch(folder.path().string());
    CheckRun run(recorder, scratch);
    run.setBlockSize(blockSize);
    run.setObserver(&recorder);
    run.setEveryBlock(trackCase.everyBlock);

    (void)run.run(folder.write("c.sm", trackCase.chart));

    EXPECT_EQ(recorder.events, trackCase.events);
    EXPECT_EQ(recorder.fromObserver, recorder.fromLog);
}

INSTANTIATE_TEST_SUITE_P(Charts, MeasureTrackerTest,
    testing::Combine(testing::ValuesIn(kCases),
        testing::Values(
            std::size_t(1), std::size_t(3), std::size_t(64), CheckRun::defaultBlockSize)),
    [](const auto &info) {
        return std::string(std::get<0>(info.param).name) + "Block"
            + std::to_string(std::get<1>(info.param));
    });

} // namespace
} // namespace quillet
