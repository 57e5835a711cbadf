#include "pagesession.h"

#include "pagebridge.h"
#include "pagechartreader.h"

PageSession::PageSession()
    : m_findingsText(pageAddFindings)
    , m_findings(m_options, m_output, m_tally)
    , m_run(m_log)
{
    // The findings need the chart's line numbers, which only an observer is told.
    m_run.setObserver(&m_findings);
    // The hints' mend is the download's too.
    m_findings.hints().setMendOutput(&m_mend);
}

quillet::CheckResult PageSession::check(const std::string &name)
{
    m_findings.beginChart(name);
    m_mend.reset();
    m_mended = 0;
    PageChartReader chart;
    // The check and the hints read the chart once, together.
    quillet::HintsTee tee(chart, m_findings.hints());
    const quillet::CheckResult result = m_run.run(tee);
    m_log.flush();
    m_output.flush();
    // A chart with nothing to mend is not read to its end for nothing.
    if (result.outcome == quillet::CheckOutcome::Problems && m_findings.mendableMeasures() > 0
        && tee.readRest()) {
        m_mend.flush();
        m_mended = m_findings.mendableMeasures();
    }
    return result;
}

std::string PageSession::summary() const
{
    const auto count = [](std::uint64_t value) { return std::to_string(value); };
    return count(m_tally.charts()) + " charts: " + count(m_tally.ok) + " OK, "
        + count(m_tally.problems) + " with problems, " + count(m_tally.incorrect) + " incorrect, "
        + count(m_tally.notChecked) + " not checked";
}
