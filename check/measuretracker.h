#pragma once

#include "linesplitter.h"
#include "notesheader.h"

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
    /// Sees each chunk the extraction pass sees, up to and with the block's ';' line.
    void chunk(const LineChunk &chunk);
    /// After the block's extraction: a block without a measure end is named now.
    void endBlock();

    /// True when the stretch read is a block: the first, or one with a measure end or a #NOTES tag.
    bool isBlock() const { return m_number == 1 || m_beat > 0 || m_header.hasTag(); }
    std::uint64_t blockNumber() const { return m_number; }

private:
    [[gnu::noinline]] void lineByLine(const LineChunk &chunk, std::uint64_t starts);
    void measureEnds(std::uint64_t line);
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
};

} // namespace quillet
