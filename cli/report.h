#pragma once

#include "blockobserver.h"
#include "messagesink.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

class LineOutput;
class MendHints;

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

/// name with its control characters written as C escapes ("\n", "\t", "\x1b"), as GNU tools
/// quote file names, so that a name can neither split a line nor drive the terminal.
std::string escapedName(std::string_view name);

/// What a faulty measure's size usually means, as the gnu and JSON reports give it: how many of
/// its rows are blank lines, or what a size of 0, 32, 64, 96 or 192 rows is; empty for none.
/// buffer holds at least hintSize bytes, of which the hint may be made.
std::string_view measureHint(const MeasureProblem &problem, char *buffer);
inline constexpr std::size_t hintSize = 64;

// What quillet-check prints of each chart in one format, as the check goes: the messages of the
// log, each block's beginning, its faulty measures and its result. The reason of a chart that is
// incorrect or not checked goes to standard error in every format.
class Report : public MessageSink, public BlockObserver
{
public:
    Report(const ReportOptions &options, LineOutput &output, Tally &tally);

    /// A chart begins; name is how the output names it.
    virtual void beginChart(std::string name);

    void addMessage(std::string_view) override { }
    void blockBegins(std::uint64_t, std::string_view) override { }
    void measureProblem(const MeasureProblem &) override { }
    /// Counts the result and says why a chart failed; then the format's own end.
    void blockEnds(const CheckResult &result) final;
    /// The chart at hand could not be checked for want of memory: "Cannot check: out of memory".
    void outOfMemory();
    /// The --fix hints, which read a chart's bytes as the check does; null in a format without.
    virtual MendHints *mendHints() { return nullptr; }

protected:
    /// The format's end of a block; reason is empty unless the chart failed.
    virtual void endBlock(const CheckResult &, std::string_view /*reason*/) { }

    /// The block's name, or "chart N" without a header.
    static std::string blockLabel(std::uint64_t number, std::string_view name);

    const ReportOptions &m_options;
    LineOutput &m_output;
    std::string_view m_end; // the line end
    std::string m_name; // the chart's, as given
    std::string m_shownName; // the chart's, escaped
    std::string m_prefix; // before each log line: "NAME: " or nothing

private:
    void finishBlock(const CheckResult &result, std::string_view reason);

    Tally &m_tally;
};

} // namespace quillet
