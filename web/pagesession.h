#pragma once

#include "checkrun.h"
#include "gnureport.h"
#include "lineoutput.h"
#include "pagelog.h"
#include "pagemend.h"
#include "pagesink.h"
#include "report.h"

#include <cstdint>
#include <string>

// The page's checks: each chart goes through the same run and gnu report as quillet-check's,
// read once as it streams in, its log and findings going to the page as they come; the charts
// are counted for the summary. The chart is the one the worker's script holds.
class PageSession
{
public:
    PageSession();

    /// Checks the chart; name is the chart as the findings name it. A chart with problems is
    /// also mended as quillet-check --fix does, in the same read, its mended bytes handed to the
    /// page.
    quillet::CheckResult check(const std::string &name);
    /// The measures the last chart checked has mended: none for one that cannot be read to its
    /// end, or that has no problems.
    std::uint64_t mended() const { return m_mended; }
    /// quillet-check's last line: "3 charts: 1 OK, 2 with problems, 0 incorrect, 0 not checked".
    std::string summary() const;
    /// Starts the count again, for a new set of charts.
    void reset() { m_tally = {}; }

private:
    PageLog m_log;
    PageSink m_findingsText;
    // The reason of a chart that failed also ends its finding ("NAME:1: incorrect: REASON").
    PageSink m_errors {nullptr};
    quillet::LineOutput m_output {m_findingsText, m_errors};
    quillet::ReportOptions m_options;
    quillet::Tally m_tally;
    quillet::GnuReport m_findings;
    quillet::CheckRun m_run;
    PageMend m_mend;
    std::uint64_t m_mended = 0;
};
