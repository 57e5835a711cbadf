#pragma once

#include "extractionpass.h"
#include "linesplitter.h"

#include <cstddef>
#include <cstdint>

namespace quillet {

class PumpClock;

// Finds where a note block begins: the next line that begins with "#NOTES", in any letter case.
// Everything before it is passed over unread, whatever its lines begin with: header values
// written over several lines ("#BPMS:0.000=120.000" and then ";") are not notes.
class NotesFinder
{
public:
    using Splitter = LineSplitter<'#'>;
    enum class Stop { Found, EndOfChart, ReadFailed, Abandoned };

    /// A tag line cut by a block's end has its first bytes moved to the block's start and read on
    /// after them: the block needs this much room past its size.
    static constexpr std::size_t carryRoom = 8;

    explicit NotesFinder(PumpClock &clock);

    /// Looks from start.data on, the first byte a line start unless start.afterCr says it ends a
    /// CR LF; further pieces of up to blockSize bytes are read into block from chart.
    Stop run(int chart, char *block, std::size_t blockSize, ExtractionPass::Start start);

    /// After Found: the bytes read from the tag line's first byte on, for the extraction.
    ExtractionPass::Start tagLine() const { return m_tagLine; }
    /// After Found: the lines passed over before the tag line.
    std::uint64_t linesBefore() const { return m_lines; }
    /// After ReadFailed: the system's error number.
    int readError() const { return m_readError; }

    bool chunk(const Splitter::Chunk &chunk);

private:
    PumpClock &m_clock;
    const char *m_end = nullptr; // of the bytes being fed
    const char *m_cut = nullptr; // a line that may be the tag, cut by the block's end
    ExtractionPass::Start m_tagLine = {nullptr, 0, false};
    std::uint64_t m_lines = 0;
    Stop m_stop = Stop::EndOfChart;
    int m_readError = 0;
};

} // namespace quillet
