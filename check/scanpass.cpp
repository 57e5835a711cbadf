#include "scanpass.h"

#include "blockreader.h"
#include "fileio.h"
#include "messagesink.h"
#include "pumpclock.h"

#include <bit>

namespace quillet {

namespace {

std::uint64_t bitsBelow(unsigned bit)
{
    return (std::uint64_t(1) << bit) - 1;
}

} // namespace

ScanPass::ScanPass(MessageSink &sink, PumpClock &clock)
    : m_sink(sink)
    , m_clock(clock)
{ }

int ScanPass::run(BlockReader &scratch)
{
    Splitter lines(true);
    for (;;) {
        int error = fileio::noError;
        const char *block = nullptr;
        const long long size = scratch.next(block, error);
        if (size < 0)
            return error;
        if (size == 0 || !lines.feed(block, std::size_t(size), *this))
            return fileio::noError;
    }
}

bool ScanPass::chunk(const Splitter::Chunk &chunk)
{
    // Most chunks end a measure: the counts stay in locals, stored back once.
    const std::uint64_t measureEnds = chunk.starts & chunk.marked;
    std::uint64_t rowStarts = chunk.starts & ~measureEnds;
    std::uint64_t rows = m_rows;
    for (std::uint64_t ends = measureEnds; ends != 0; ends &= ends - 1) {
        const unsigned at = unsigned(std::countr_zero(ends));
        const std::uint64_t before = bitsBelow(at);
        rows += unsigned(std::popcount(rowStarts & before));
        rowStarts &= ~before;
        m_beat += 4;
        if (!isAcceptedMeasureSize(rows)) [[unlikely]] {
            m_rows = rows;
            reportProblem();
        }
        rows = 0;
        if (chunk.data[at] == ';') {
            m_rows = 0;
            return false;
        }
    }
    m_rows = rows + unsigned(std::popcount(rowStarts));
    // Every line of the chunk is a row or a measure's end.
    if (!m_clock.count(unsigned(std::popcount(chunk.starts)))) {
        m_abandoned = true;
        return false;
    }
    return true;
}

void ScanPass::reportProblem()
{
    ++m_problems;
    m_sink.addMeasureMessages(m_beat, m_rows);
}

} // namespace quillet
