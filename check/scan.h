#pragma once

#include "blocklines.h"
#include "io/linesplitter.h"

#include <cstddef>
#include <cstdint>

namespace quillet {

class BlockObserver;
class MessageSink;
class NotesHeader;
class PumpClock;

// The scan of one note block: counts the rows of each measure and reports the ones of a wrong
// size, each with the beat at its end, stopping after the ';' line. It reads the block's text
// from its #NOTES line on, or the scratch file's copy of it, where only rows and measure ends are
// left: the same rules give the same measures on both.
class Scan : public BlockLines
{
public:
    /// observer may be null. header names the block when it begins; it is read beside the scan.
    Scan(MessageSink &sink, PumpClock &clock, BlockObserver *observer, const NotesHeader &header);

    /// Starts block number (from 1), whose first line is the chart's line firstLine.
    void beginBlock(std::uint64_t number, std::uint64_t firstLine);
    /// Tells the observer and the log that the block begins, once: at the first measure end, when
    /// its header has been read, or before anything else goes wrong.
    void begin();

    bool take(const char *data, std::size_t size) override;
    std::size_t taken() const override { return m_taken; }
    void finish() override { }

    /// The measures of a wrong size reported so far in the block.
    std::uint64_t problems() const { return m_problems; }
    /// The chart's lines up to the block's ';' line, with it.
    std::uint64_t linesRead() const { return m_line; }

    [[gnu::always_inline]] inline bool chunk(const LineChunk &chunk); // in the splitter's loop

private:
    [[gnu::noinline]] void report(std::uint64_t line);

    MessageSink &m_sink;
    PumpClock &m_clock;
    BlockObserver *m_observer;
    const NotesHeader &m_header;
    LineSplitter m_lines;
    std::uint64_t m_number = 0;
    std::uint64_t m_line = 0; // the chart's lines before the chunk under way
    std::uint64_t m_beat = 0, m_rows = 0, m_blankRows = 0; // of the measure under way
    std::uint64_t m_problems = 0;
    std::size_t m_taken = 0;
    const char *m_piece = nullptr;
    bool m_begun = false;
};

} // namespace quillet
