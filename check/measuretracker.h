#pragma once

#include "linesplitter.h"
#include "notesheader.h"
#include "scanpass.h"

#include <bit>
#include <cstdint>

namespace quillet {

class BlockObserver;

// Follows the extraction pass over the chart's own lines, where their numbers are still known:
// counts each measure's rows and empty rows, names the block from its #NOTES header, and tells
// the observer of each measure of a wrong size with the line that ends it. It keeps nothing per
// measure.
class MeasureTracker
{
public:
    explicit MeasureTracker(BlockObserver &observer);

    /// Before each block. atChartStart: the block begins with the chart's first line, which the
    /// splitter does not count as a line start.
    void beginBlock(bool atChartStart);
    /// Sees each chunk the extraction pass sees, up to and with the block's ';' line, its commas
    /// marked. Inlined into the splitter's loop, so that it counts with the instructions the loop
    /// was built for.
    [[gnu::always_inline]] inline void chunk(const LineChunk &chunk);
    /// After the block's extraction: a block without a measure end is named now.
    void endBlock();

    /// Lines of the chart passed over before a block, which the tracker does not see.
    void skipLines(std::uint64_t lines) { m_line += lines; }
    std::uint64_t blockNumber() const { return m_number; }

private:
    [[gnu::noinline]] void lineByLine(const LineChunk &chunk, std::uint64_t starts);
    void measureEnds(std::uint64_t line)
    {
        m_beat += 4;
        if (!m_begun || !isAcceptedMeasureSize(m_rows))
            report(line);
        m_rows = m_blankRows = 0;
    }
    [[gnu::noinline]] void report(std::uint64_t line);
    void begin();

    BlockObserver &m_observer;
    NotesHeader m_header;
    std::uint64_t m_line = 0; // the chart's line under way
    std::uint64_t m_number = 0;
    std::uint64_t m_beat = 0;
    std::uint64_t m_rows = 0;
    std::uint64_t m_blankRows = 0;
    bool m_firstLine = false; // the next chunk begins with the chart's first line
    bool m_ended = false; // past the block's ';' line
    bool m_begun = false; // the observer was told of the block
    const bool m_counting; // lines and rows are counted for the observer's problems
};

void MeasureTracker::chunk(const LineChunk &chunk)
{
    if (m_ended)
        return;
    std::uint64_t starts = chunk.starts;
    if (m_firstLine) {
        m_firstLine = false;
        starts |= 1;
    }
    if (m_header.isActive() || (starts & chunk.marked) != 0) {
        lineByLine(chunk, starts);
        return;
    }
    if (!m_counting) {
        if ((chunk.commas & starts) != 0 && !m_begun)
            measureEnds(0);
        return;
    }
    // Only rows and measure ends: counted 64 bytes at a time, in registers.
    const std::uint64_t empty = chunk.cr | chunk.lf;
    std::uint64_t rows = starts & ~chunk.commas;
    std::uint64_t rowCount = m_rows;
    std::uint64_t blankCount = m_blankRows;
    for (std::uint64_t ends = chunk.commas & starts; ends != 0; ends &= ends - 1) {
        const std::uint64_t below = (std::uint64_t(1) << std::countr_zero(ends)) - 1;
        rowCount += unsigned(std::popcount(rows & below));
        blankCount += unsigned(std::popcount(rows & empty & below));
        rows &= ~below;
        m_beat += 4;
        if (!m_begun || !isAcceptedMeasureSize(rowCount)) {
            m_rows = rowCount;
            m_blankRows = blankCount;
            report(m_line + unsigned(std::popcount(starts & below)) + 1);
        }
        rowCount = blankCount = 0;
    }
    m_rows = rowCount + unsigned(std::popcount(rows));
    m_blankRows = blankCount + unsigned(std::popcount(rows & empty));
    m_line += unsigned(std::popcount(starts));
}

} // namespace quillet
