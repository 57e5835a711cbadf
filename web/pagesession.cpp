#include "pagesession.h"

#include "mend.h"
#include "pagebridge.h"
#include "pagechartreader.h"
#include "pagemend.h"

PageSession::PageSession()
    : m_findingsText(pageAddFindings)
    , m_findings(m_options, m_output, m_tally)
    , m_run(m_log)
{
    // The findings need the chart's line numbers, which only an observer is told.
    m_run.setObserver(&m_findings);
    // The hints read the chart again, which is no file of the module's.
    m_findings.setChartOpener(
        [](const std::string &) { return std::make_unique<PageChartReader>(); });
}

quillet::CheckResult PageSession::check(const std::string &name)
{
    m_findings.beginChart(name);
    PageChartReader chart;
    const quillet::CheckResult result = m_run.run(chart);
    m_log.flush();
    m_output.flush();
    return result;
}

std::uint64_t PageSession::mend()
{
    // The findings' hints have read the chart as far as its last mendable measure: a chart
    // without one is not read again for nothing.
    if (m_findings.mendableMeasures() == 0)
        return 0;
    PageChartReader chart;
    PageMend output;
    quillet::Mender mender(output, false);
    if (mender.mendFrom(chart) != 0)
        return 0;
    output.flush();
    return mender.mendedMeasures();
}

std::string PageSession::summary() const
{
    const auto count = [](std::uint64_t value) { return std::to_string(value); };
    return count(m_tally.charts()) + " charts: " + count(m_tally.ok) + " OK, "
        + count(m_tally.problems) + " with problems, " + count(m_tally.incorrect) + " incorrect, "
        + count(m_tally.notChecked) + " not checked";
}
