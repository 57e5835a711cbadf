#pragma once

#include "mendhints.h"
#include "report.h"

#include <string>

namespace quillet {

// One line per finding, as compilers print them and editors jump to them:
// "PATH:LINE: beat B: this measure has R rows; accepted sizes are ...", with a hint where one
// applies. An OK chart prints nothing.
class GnuReport : public Report
{
public:
    using Report::Report;

    void beginChart(std::string name) override;
    void blockBegins(std::uint64_t number, std::string_view name) override;
    void measureProblem(const MeasureProblem &problem) override;
    void addMeasureMessages(std::uint64_t, std::uint64_t) override { }
    /// How a chart is opened again for the hints; by default as a file at its path.
    void setChartOpener(ChartOpener opener) { m_hints.setOpener(std::move(opener)); }
    /// Measures of the chart its hints say --fix mends.
    std::uint64_t mendableMeasures() const { return m_hints.mendableMeasures(); }
    /// What the hints make of the chart: a HintsTee shares the check's read with them.
    MendHints &hints() { return m_hints; }
    MendHints *mendHints() override { return &m_hints; }

protected:
    void endBlock(const CheckResult &result, std::string_view reason) override;

private:
    std::string m_block; // "NAME: " with every chart
    MendHints m_hints; // what --fix can do, for the hints
};

} // namespace quillet
