#pragma once

#include "io/linesplitter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

class ChartReader;

// What became of a measure of a wrong size.
enum class MendKind {
    BlankRowsDropped, // its blank rows were left out, and nothing else
    Regridded, // written in the smallest accepted size that holds every note at its time
    // Left as it is:
    NoContent, // no row with content
    UnequalWidths, // its rows are not all the same width
    SkippedLineBetween, // a comment or indented line stands between two rows with content
    NoSizeHolds, // no accepted size holds its notes
    TooLong, // too large a measure to hold while it is read
};

// A measure of a wrong size and what the mend makes of it.
struct MeasureMend
{
    std::uint64_t line = 0; // the chart's 1-based line that ends the measure
    std::uint64_t rows = 0; // as the check counts them, blank ones included
    MendKind kind = MendKind::NoContent;
    std::uint64_t newRows = 0; // after the mend; rows when it is left as it is
    std::uint64_t blankRows = 0; // blank rows left out

    bool isMended() const
    {
        return kind == MendKind::BlankRowsDropped || kind == MendKind::Regridded;
    }
};

// Where a mended chart goes, as the chart's own bytes kept and whole lines dropped or added, in
// the order the mended chart has them.
class MendOutput
{
public:
    virtual ~MendOutput() = default;

    /// Bytes of the chart that stay as they are: any stretch, not only whole lines.
    virtual void keep(std::string_view bytes) = 0;
    /// A line of the chart, its line end included, that the mended chart leaves out.
    virtual void drop(std::string_view line) = 0;
    /// A new line, its line end included.
    virtual void add(std::string_view line) = 0;
    /// Each measure of a wrong size, before its lines are given.
    virtual void faultyMeasure(const MeasureMend &) { }
    /// Whether the mended chart's bytes are wanted, or only faultyMeasure: a mended measure is
    /// then not written out.
    virtual bool wantsBytes() const { return true; }
};

// Mends the faulty measures of a chart's note blocks that can be written in an accepted size
// without moving a note, as the chart streams through: it holds one measure at a time. The
// blocks are read as the check reads them: the first from the first line that begins with
// "#NOTES" (any case), each next one, with everyBlock, from the next such line after the ';' line
// that ends the one before.
class Mender
{
public:
    Mender(MendOutput &output, bool everyBlock);

    /// The chart's next bytes.
    void feed(const char *data, std::size_t size);
    /// After the chart's last byte.
    void finish();
    /// Reads the chart from descriptor to its end and feeds it; the system's error number of a
    /// read that failed, 0 when the whole chart was read.
    [[nodiscard]] int mendFrom(int descriptor);
    /// The same, from what reader gives.
    [[nodiscard]] int mendFrom(ChartReader &reader);

    /// Measures of a wrong size seen so far, and how many of them were mended.
    std::uint64_t faultyMeasures() const { return m_faulty; }
    std::uint64_t mendedMeasures() const { return m_mended; }

    // Inlined into the splitter's loop inside a block.
    [[gnu::always_inline]] inline bool chunk(const LineChunk &chunk);

private:
    enum class State { First, Header, Block, Done };

    const char *scanBlock(const char *p, const char *end);
    void line(std::string_view text);
    void keepLine(std::string_view text);
    void flushKept();
    void measureEnds(const char *at, std::uint64_t line);
    void mendMeasure(std::string_view bytes, std::uint64_t line, std::uint64_t rows);
    void report(MeasureMend &mend);

    MendOutput &m_output;
    const bool m_everyBlock;
    State m_state = State::First;
    std::uint64_t m_line = 0; // lines ended so far; inside a block, lines begun
    std::uint64_t m_faulty = 0;
    std::uint64_t m_mended = 0;

    // Outside the blocks, a line cut by the end of the bytes fed: its bytes so far. A line that
    // ends in CR waits here too, for an LF that may follow it.
    std::string m_partial;
    // Bytes kept, not yet given to the output: contiguous in the bytes being fed.
    const char *m_keptBegin = nullptr;
    const char *m_keptEnd = nullptr;

    // Inside a block, the lines are found 64 bytes at a time, and a measure of an accepted size
    // stays in the stretch kept. The measure under way began at m_begin in the bytes being fed,
    // or in earlier bytes, held in m_measure, and goes on from the start of these; its beginning
    // is not yet seen while m_awaitStart (the line that ended the last one goes on).
    LineSplitter m_lines;
    const char *m_keepFrom = nullptr;
    const char *m_begin = nullptr;
    const char *m_stop = nullptr; // the ';' line that ends the block, once seen
    bool m_awaitStart = false;
    bool m_inBlock = false;
    std::string m_measure;
    std::uint64_t m_rows = 0;
    bool m_tooLong = false; // the measure outgrew what is held and went out as it is
};

} // namespace quillet
