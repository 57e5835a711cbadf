#include "logreport.h"

#include "lineoutput.h"

#include <string>

namespace quillet {

LogReport::LogReport(const ReportOptions &options, LineOutput &output, Tally &tally, bool quiet)
    : Report(options, output, tally)
    , m_quiet(quiet)
{ }

void LogReport::addMessage(std::string_view message)
{
    if (!m_quiet)
        m_output.writeLine(m_prefix, message, m_end);
}

void LogReport::addMeasureMessages(std::uint64_t beat, std::uint64_t rows)
{
    if (!m_quiet)
        Report::addMeasureMessages(beat, rows);
}

void LogReport::blockBegins(std::uint64_t number, std::string_view name)
{
    if (m_quiet || !m_options.everyChart)
        return;
    std::string line = "Chart " + std::to_string(number);
    if (!name.empty())
        line.append(": ").append(escapedName(name));
    m_output.writeLine(m_prefix, line, m_end);
}

} // namespace quillet
