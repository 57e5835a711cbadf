#pragma once

#include <string>

namespace quillet {

class LineOutput;
class OutputSink;

// quillet-check's --fix and --diff: each chart's faulty measures that can be written in an
// accepted size without moving a note are mended in place, the original kept as CHART.old, or
// shown as a unified diff. What is wrong goes to standard error.
class FixCommand
{
public:
    FixCommand(LineOutput &output, bool everyChart);

    /// Mends the chart at path in place when it has something to mend. 0, or 2 when it had and
    /// was left untouched.
    int fix(const std::string &path);
    /// Prints what fix would change as a unified diff and writes nothing. 0 when nothing would
    /// change, 1 when something would, 2 when the chart cannot be read.
    int diff(const std::string &path);
    /// Mends the chart read from input and writes it to output, and to a file with no name that
    /// is returned rewound, for the check; -1 (and a message) when that fails.
    int fixStream(int input, OutputSink &output);

private:
    void refuse(const std::string &path, const std::string &reason);

    LineOutput &m_output;
    bool m_everyChart;
};

} // namespace quillet
