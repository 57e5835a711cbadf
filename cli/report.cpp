#include "report.h"

#include "checkfailure.h"
#include "lineoutput.h"

#include <utility>

Report::Report(const ReportOptions &options, LineOutput &output, Tally &tally)
    : m_options(options)
    , m_output(output)
    , m_end(options.crlf ? "\r\n" : "\n")
    , m_tally(tally)
{ }

void Report::beginChart(std::string name)
{
    m_name = std::move(name);
    m_prefix = m_options.prefixed ? m_name + ": " : std::string();
}

void Report::blockEnds(const quillet::CheckResult &result)
{
    int status = 2;
    switch (result.outcome) {
    case quillet::CheckOutcome::Ok:
        ++m_tally.ok;
        status = 0;
        break;
    case quillet::CheckOutcome::Problems:
        ++m_tally.problems;
        status = 1;
        break;
    case quillet::CheckOutcome::Incorrect:
        ++m_tally.incorrect;
        status = 1;
        break;
    case quillet::CheckOutcome::CouldNotCheck:
    case quillet::CheckOutcome::Abandoned:
        ++m_tally.notChecked;
        break;
    }
    if (status > m_tally.status)
        m_tally.status = status;
    endBlock(result);
    if (result.failure != quillet::CheckFailure::None)
        m_output.writeError(m_name + ": " + quillet::failureReason(result));
}

std::string Report::blockLabel(std::uint64_t number, std::string_view name)
{
    return name.empty() ? "chart " + std::to_string(number) : std::string(name);
}
