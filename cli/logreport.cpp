#include "logreport.h"

#include "lineoutput.h"
#include "messages.h"

#include <algorithm>
#include <charconv>
#include <limits>
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
    if (m_quiet)
        return;
    // A log can have a million of these: both lines are made in place, where they fit.
    constexpr std::size_t digits = std::numeric_limits<std::uint64_t>::digits10 + 1;
    const std::size_t most = 2 * (m_prefix.size() + digits + m_end.size())
        + messages::problemAtBeat.size() + messages::measureSize.size();
    char *at = m_output.room(most);
    if (at == nullptr)
        return Report::addMeasureMessages(beat, rows);
    const auto line = [&](std::string_view text, std::uint64_t number) {
        at = std::copy(m_prefix.begin(), m_prefix.end(), at);
        at = std::copy(text.begin(), text.end(), at);
        at = std::to_chars(at, at + digits, number).ptr;
        at = std::copy(m_end.begin(), m_end.end(), at);
    };
    line(messages::problemAtBeat, beat);
    line(messages::measureSize, rows);
    m_output.commit(at);
    m_output.endLine();
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
