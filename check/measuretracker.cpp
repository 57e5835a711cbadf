#include "measuretracker.h"

#include "blockobserver.h"
#include "scanpass.h"

#include <bit>

namespace quillet {

namespace {

std::uint64_t bitsBelow(unsigned bit)
{
    return (std::uint64_t(1) << bit) - 1;
}

// The starts whose first byte is a comma.
std::uint64_t commaStarts(const LineChunk &chunk, std::uint64_t starts)
{
#ifdef QUILLET_HAVE_SSE2
    if (chunk.size == 64) {
        std::uint64_t commas = 0;
        for (int i = 0; i < 4; ++i) {
            const __m128i bytes
                = _mm_loadu_si128(reinterpret_cast<const __m128i *>(chunk.data + 16 * i));
            const auto bits
                = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(','))));
            commas |= std::uint64_t(bits & 0xffffu) << (16 * i);
        }
        return commas & starts;
    }
#endif
    std::uint64_t commas = 0;
    for (std::uint64_t rest = starts; rest != 0; rest &= rest - 1) {
        const unsigned at = unsigned(std::countr_zero(rest));
        if (chunk.data[at] == ',')
            commas |= std::uint64_t(1) << at;
    }
    return commas;
}

} // namespace

MeasureTracker::MeasureTracker(BlockObserver &observer)
    : m_observer(observer)
{ }

void MeasureTracker::beginBlock(bool atChartStart)
{
    ++m_number;
    m_header.reset();
    m_beat = m_rows = m_blankRows = 0;
    m_firstLine = atChartStart;
    m_ended = m_begun = false;
}

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
    // Only rows and measure ends: counted 64 bytes at a time.
    const std::uint64_t empty = chunk.cr | chunk.lf;
    const std::uint64_t ends = commaStarts(chunk, starts);
    std::uint64_t rows = starts & ~ends;
    for (std::uint64_t rest = ends; rest != 0; rest &= rest - 1) {
        const std::uint64_t below = bitsBelow(unsigned(std::countr_zero(rest)));
        m_rows += unsigned(std::popcount(rows & below));
        m_blankRows += unsigned(std::popcount(rows & empty & below));
        rows &= ~below;
        measureEnds(m_line + unsigned(std::popcount(starts & below)) + 1);
    }
    m_rows += unsigned(std::popcount(rows));
    m_blankRows += unsigned(std::popcount(rows & empty));
    m_line += unsigned(std::popcount(starts));
}

void MeasureTracker::lineByLine(const LineChunk &chunk, std::uint64_t starts)
{
    unsigned from = 0;
    for (; starts != 0; starts &= starts - 1) {
        const unsigned at = unsigned(std::countr_zero(starts));
        if (m_header.isActive())
            m_header.feed(chunk.data + from, at - from);
        from = at;
        ++m_line;
        const char first = chunk.data[at];
        m_header.lineBegins(first);
        if (first == '#' || first == '/' || first == ' ')
            continue;
        if (first == ',' || first == ';') {
            measureEnds(m_line);
            if (first == ';') {
                m_ended = true;
                return;
            }
            continue;
        }
        ++m_rows;
        if (first == '\r' || first == '\n')
            ++m_blankRows;
    }
    if (m_header.isActive())
        m_header.feed(chunk.data + from, chunk.size - from);
}

void MeasureTracker::measureEnds(std::uint64_t line)
{
    m_beat += 4;
    begin();
    if (!isAcceptedMeasureSize(m_rows))
        m_observer.measureProblem({m_beat, m_rows, m_blankRows, line});
    m_rows = m_blankRows = 0;
}

void MeasureTracker::endBlock()
{
    if (isBlock())
        begin();
}

// The name is settled at the first measure end: the header comes before the notes.
void MeasureTracker::begin()
{
    if (m_begun)
        return;
    m_begun = true;
    m_observer.blockBegins(m_number, m_header.name());
}

} // namespace quillet
