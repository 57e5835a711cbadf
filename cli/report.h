#pragma once

#include "blockobserver.h"
#include "messagesink.h"

#include <cstdint>
#include <string>
#include <string_view>

class LineOutput;

// How quillet-check prints its charts.
struct ReportOptions
{
    bool crlf = false; // line ends CR LF
    bool prefixed = false; // several charts: each log line starts with the chart's name
    bool everyChart = false; // each note block is named
};

// The results counted over a run: the summary and the exit status.
struct Tally
{
    std::uint64_t ok = 0;
    std::uint64_t problems = 0;
    std::uint64_t incorrect = 0;
    std::uint64_t notChecked = 0;
    int status = 0; // 0 all OK, 1 a problem or an incorrect chart, 2 a chart not checked

    std::uint64_t charts() const { return ok + problems + incorrect + notChecked; }
};

// What quillet-check prints of each chart in one format, as the check goes: the messages of the
// log, each block's beginning, its faulty measures and its result. The reason of a chart that is
// incorrect or not checked goes to standard error in every format.
class Report : public quillet::MessageSink, public quillet::BlockObserver
{
public:
    Report(const ReportOptions &options, LineOutput &output, Tally &tally);

    /// A chart begins; name is how the output names it.
    virtual void beginChart(std::string name);

    void addMessage(std::string_view) override { }
    void blockBegins(std::uint64_t, std::string_view) override { }
    void measureProblem(const quillet::MeasureProblem &) override { }
    /// Counts the result and says why a chart failed; then the format's own end.
    void blockEnds(const quillet::CheckResult &result) final;

protected:
    virtual void endBlock(const quillet::CheckResult &) { }

    /// The block's name, or "chart N" without a header.
    static std::string blockLabel(std::uint64_t number, std::string_view name);

    const ReportOptions &m_options;
    LineOutput &m_output;
    std::string_view m_end; // the line end
    std::string m_name; // the chart's
    std::string m_prefix; // before each log line: "NAME: " or nothing

private:
    Tally &m_tally;
};
