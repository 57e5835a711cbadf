#include "pagesession.h"

#include "pagebridge.h"

PageSession::PageSession()
    : m_findingsText(pageAddFindings)
    , m_findings(m_options, m_output, m_tally)
    , m_run(m_log, m_scratch)
{
    // The findings need the chart's line numbers, which only an observer is told.
    m_run.setObserver(&m_findings);
}

quillet::CheckResult PageSession::check(const std::string &name, int descriptor)
{
    m_findings.beginChart(name);
    const quillet::CheckResult result = m_run.runOnDescriptor(descriptor);
    m_log.flush();
    m_output.flush();
    return result;
}

std::string PageSession::summary() const
{
    const auto count = [](std::uint64_t value) { return std::to_string(value); };
    return count(m_tally.charts()) + " charts: " + count(m_tally.ok) + " OK, "
        + count(m_tally.problems) + " with problems, " + count(m_tally.incorrect) + " incorrect, "
        + count(m_tally.notChecked) + " not checked";
}
