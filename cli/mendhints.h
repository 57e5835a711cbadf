#pragma once

#include "chartreader.h"
#include "mend.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace quillet {

class HintsTee;

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
    /// Where the chart's mend goes besides the hints: every piece of it, as --fix writes it;
    /// null (the default) for none.
    void setMendOutput(MendOutput *output) { m_mendOutput = output; }

    void keep(std::string_view bytes) override;
    void drop(std::string_view line) override;
    void add(std::string_view line) override;
    void faultyMeasure(const quillet::MeasureMend &mend) override;
    bool wantsBytes() const override { return m_mendOutput != nullptr; }

private:
    friend class HintsTee;

    // What a HintsTee reads for the check, the hints take as it comes.
    void share(HintsTee *tee);
    void feed(const char *data, std::size_t size);
    void finish();
    void startMend();
    void close();

    std::string m_path;
    bool m_everyChart = false;
    bool m_opened = false;
    ChartOpener m_open;
    std::unique_ptr<quillet::ChartReader> m_reader;
    std::unique_ptr<quillet::Mender> m_mender;
    std::unique_ptr<char[]> m_buffer;
    HintsTee *m_tee = nullptr; // the check's read, when the hints share it
    MendOutput *m_mendOutput = nullptr;
    std::deque<quillet::MeasureMend> m_mends;
    std::uint64_t m_lastLine = 0; // the last measure the mend has seen
    std::uint64_t m_mendable = 0;
};

// A chart read once for the check and the hints both: the check reads it through the tee, whose
// every read the hints take too, so the chart is not read a second time. A finding's measure
// whose line the hints have not seen the end of (a line cut by the end of a read) has them read
// ahead of the check, which is then given those bytes first. Between the hints' beginChart and
// the tee's end.
class HintsTee : public ChartReader
{
public:
    HintsTee(ChartReader &source, MendHints &hints);
    ~HintsTee() override;
    HintsTee(const HintsTee &) = delete;
    HintsTee &operator=(const HintsTee &) = delete;

    long long read(char *data, std::size_t size, int &error) override;
    /// After the check: reads the rest of the chart for the hints alone (their mend output needs
    /// all of it). False when the chart could not be read to its end.
    bool readRest();

private:
    friend class MendHints;

    /// Reads the next bytes for the hints, kept for the check; false at the end or on an error.
    bool readAhead(bool keep = true);
    void ended(long long count, int error);

    ChartReader &m_source;
    MendHints &m_hints;
    std::string m_ahead; // read for the hints, not yet given to the check: from m_aheadStart
    std::size_t m_aheadStart = 0;
    bool m_ended = false;
    int m_error = 0; // of the read that failed, 0 when none has
};

} // namespace quillet
