#pragma once

#include "chartrules.h"
#include "io/linesplitter.h"

#include <cstddef>
#include <cstdint>

namespace quillet {

class BlockLines;
class ChartReader;
class NotesHeader;
class PumpClock;

// Reads a chart once, piece after piece, and finds its note blocks: every line before a block's
// #NOTES line is passed over, whatever it begins with; from that line on, the block's text goes
// to a BlockLines, which says where the block ends.
class Extraction
{
public:
    enum class Stop { Found, BlockEnd, EndOfChart, ReadFailed, Abandoned };
    /// The room a buffer needs beyond blockSize, for the start of a #NOTES tag cut by a read.
    static constexpr std::size_t tagRoom = rules::notesTag.size();

    /// buffer holds blockSize + tagRoom bytes; its first size bytes are the chart's first.
    Extraction(ChartReader &chart, char *buffer, std::size_t blockSize, std::size_t size,
        PumpClock &clock);

    /// Finds the next line that begins with #NOTES. Found, EndOfChart, ReadFailed or Abandoned.
    Stop findBlock();
    /// After Found: the chart's line number of the #NOTES line.
    std::uint64_t blockLine() const { return m_line + 1; }
    /// After Found: gives the block's text, from its #NOTES line on, to header and lines, until
    /// lines stops (BlockEnd) or the chart ends (EndOfChart). ReadFailed too.
    Stop passBlock(BlockLines &lines, NotesHeader &header);
    /// After BlockEnd: the chart's lines up to the block's ';' line, with it, for the next search.
    void setLinesRead(std::uint64_t lines) { m_line = lines; }

    /// After ReadFailed: the system's error number.
    int readError() const { return m_readError; }

    // The search's visitor, inlined into the splitter's loop.
    [[gnu::always_inline]] inline bool chunk(const LineChunk &chunk);

private:
    // Reads the next piece after the last kept bytes read, which move to the buffer's start.
    bool readMore(std::size_t kept = 0);

    ChartReader &m_chart;
    char *m_buffer;
    std::size_t m_blockSize;
    PumpClock &m_clock;
    const char *m_data; // the bytes read and not yet passed over
    std::size_t m_size;
    LineSplitter m_lines;
    const char *m_hit = nullptr; // the #NOTES line found by chunk
    std::uint64_t m_line = 0; // the chart's lines before m_data's
    int m_readError = 0;
};

} // namespace quillet
