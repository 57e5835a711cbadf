#pragma once

#include "linesplitter.h"

#include <cstddef>
#include <cstdint>

namespace quillet {

class PumpClock;
class ScratchWriter;

// The extraction pass: copies every line of the first note block that does not begin with '#',
// '/' or ' ', each followed by CR LF, up to and with the first line that begins with ';'. The
// chart's first line is never copied. Lines that already end in CR LF go out as they came in, in
// runs as long as a block; a lone CR gets an LF after it and a lone LF a CR before it.
class ExtractionPass
{
public:
    using Splitter = LineSplitter<'#', '/', ' ', ';'>;
    enum class Stop { EndOfChart, BlockEnd, ReadFailed, WriteFailed, Abandoned };

    /// Pieces of a block are copied 16 bytes at a time, so reads and writes may run this far
    /// past their end: the input and output buffers have that much room.
    static constexpr std::size_t copyOverrun = 16;
    /// Room for the output of one chunk of lone-LF lines, whatever the block size.
    static constexpr std::size_t minimumOutputSize = 1024;

    ExtractionPass(ScratchWriter &writer, PumpClock &clock);

    /// Copies the block's lines. block holds the chart's first size bytes, its first line
    /// included; further blocks of up to blockSize bytes are read into it from chart. The
    /// writer is flushed at the end.
    Stop run(int chart, char *block, std::size_t size, std::size_t blockSize);

    /// After ReadFailed: the system's error number.
    int readError() const { return m_readError; }

    // Inlined into the splitter's loop; the rarer chunks that need line-by-line work are not.
    [[gnu::always_inline]] inline bool chunk(const Splitter::Chunk &chunk);

private:
    [[gnu::noinline]] bool copyLines(const Splitter::Chunk &chunk, std::uint64_t marked,
        std::uint64_t loneLf, std::uint64_t loneCr, bool loneCrBefore);
    void insertCrBefore(const Splitter::Chunk &chunk, std::uint64_t loneLf);
    void finish(const Splitter &splitter);
    void flushRun();
    void copy(const char *begin, const char *end);
    void insert(const char *text);
    bool stop(Stop why);

    ScratchWriter &m_writer;
    PumpClock &m_clock;
    const char *m_runBegin = nullptr;
    const char *m_runEnd = nullptr;
    bool m_copying = false; // the line under way is copied; the chart's first line never is
    bool m_endsBlock = false; // the line under way begins with ';'
    Stop m_stop = Stop::EndOfChart;
    int m_readError = 0;
};

} // namespace quillet
