#pragma once

#include "linesplitter.h"

#include <cstddef>
#include <cstdint>

namespace quillet {

class MeasureTracker;
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
    /// Whole chunks of lone-LF lines are expanded this many at most in one go.
    static constexpr std::size_t expansionBatch = 16;
    /// Room for the output of a batch of lone-LF chunks, whatever the block size.
    static constexpr std::size_t minimumOutputSize = 4096;

    // Where a pass begins: the chart's first bytes, or what a pass before it left.
    struct Start
    {
        const char *data; // bytes already read, inside the block
        std::size_t size;
        bool atChartStart = true; // data begins with the chart's first line, which is not copied
        bool afterCr = false; // the byte before data was a CR
    };

    /// tracker may be null: it is then no cost.
    ExtractionPass(ScratchWriter &writer, PumpClock &clock, MeasureTracker *tracker = nullptr);

    /// Copies the note block's lines, from start.data on; further pieces of up to blockSize bytes
    /// are read into block from chart. The writer is flushed at the end.
    Stop run(int chart, char *block, std::size_t blockSize, Start start);

    /// After BlockEnd: the bytes after the block's ';' line that were read, for the next block.
    Start rest() const { return m_rest; }

    /// After ReadFailed: the system's error number.
    int readError() const { return m_readError; }

    // Inlined into the splitter's loop; the rarer chunks that need line-by-line work are not.
    [[gnu::always_inline]] inline bool chunk(const Splitter::Chunk &chunk);

    // The visitor with a tracker: its chunks come with their commas.
    struct Tracked
    {
        static constexpr bool marksCommas = true;
        ExtractionPass &pass;
        [[gnu::always_inline]] inline bool chunk(const Splitter::Chunk &chunk);
    };

private:
    template <bool WithTracker>
    [[gnu::always_inline]] inline bool visit(const Splitter::Chunk &chunk);
    // The parts of a chunk that copyLines reads, passed in its place so that the chunk stays in
    // registers on the common paths.
    struct Lines
    {
        const char *data;
        unsigned size;
        std::uint64_t starts;
        std::uint64_t cr;
        std::uint64_t marked; // line starts with a marked character
        std::uint64_t loneLf;
        std::uint64_t loneCr;
        bool loneCrBefore;
    };
    [[gnu::noinline]] bool copyLines(const Lines &lines);
    void insertCrBefore(const char *data, unsigned size, std::uint64_t loneLf);
    void finish(const Splitter &splitter);
    void flushRun();
    void flushExpansions();
    void copy(const char *begin, const char *end);
    void insert(const char *text);
    bool stop(Stop why);

    ScratchWriter &m_writer;
    PumpClock &m_clock;
    MeasureTracker *m_tracker;
    Start m_rest = {nullptr, 0, false};
    const char *m_runBegin = nullptr;
    const char *m_runEnd = nullptr;
    const bool m_expands; // lone-LF chunks are expanded by vector instructions
    // Whole chunks of lone-LF lines waiting to be expanded, from m_expansionBegin on.
    const char *m_expansionBegin = nullptr;
    std::size_t m_expansionCount = 0;
    std::uint64_t m_expansionLfs[expansionBatch];
    bool m_copying = false; // the line under way is copied; the chart's first line never is
    bool m_endsBlock = false; // the line under way begins with ';'
    Stop m_stop = Stop::EndOfChart;
    int m_readError = 0;
};

} // namespace quillet
