#pragma once

#include "mend.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace quillet {

class ChartReader;

/// Opens a chart again, from its first byte, by the name it is checked under; null when it
/// cannot. A front end whose charts are not files (the browser page) gives its own.
using ChartOpener = std::function<std::unique_ptr<ChartReader>(const std::string &path)>;

// What --fix would do with each faulty measure of a chart, read from the chart as far as the
// measure asked about, which the check's findings ask in the order of the chart's lines: it
// holds one read at a time, not the chart.
class MendHints : public quillet::MendOutput
{
public:
    MendHints();
    ~MendHints() override;

    /// A chart begins; path is empty for one that cannot be read again (standard input).
    void beginChart(const std::string &path, bool everyChart);
    /// How charts are opened again; by default as files at their paths.
    void setOpener(ChartOpener opener) { m_open = std::move(opener); }
    /// The mend of the measure that the chart's line ends, or null when it is not one --fix
    /// mends.
    const quillet::MeasureMend *find(std::uint64_t line);
    /// Measures of the chart seen so far that --fix mends: once the last finding is asked
    /// about, all of them.
    std::uint64_t mendableMeasures() const { return m_mendable; }

    void keep(std::string_view) override { }
    void drop(std::string_view) override { }
    void add(std::string_view) override { }
    void faultyMeasure(const quillet::MeasureMend &mend) override;

private:
    void close();

    std::string m_path;
    bool m_everyChart = false;
    bool m_opened = false;
    ChartOpener m_open;
    std::unique_ptr<quillet::ChartReader> m_reader;
    std::unique_ptr<quillet::Mender> m_mender;
    std::unique_ptr<char[]> m_buffer;
    std::deque<quillet::MeasureMend> m_mends;
    std::uint64_t m_lastLine = 0; // the last measure the mend has seen
    std::uint64_t m_mendable = 0;
};

} // namespace quillet
