#include "measuretracker.h"

#include "blockobserver.h"

namespace quillet {

MeasureTracker::MeasureTracker(BlockObserver &observer)
    : m_observer(observer)
    , m_counting(observer.wantsProblems())
{ }

void MeasureTracker::beginBlock(bool atChartStart)
{
    ++m_number;
    m_header.reset();
    m_beat = m_rows = m_blankRows = 0;
    m_firstLine = atChartStart;
    m_ended = m_begun = false;
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

void MeasureTracker::report(std::uint64_t line)
{
    begin();
    if (m_counting && !isAcceptedMeasureSize(m_rows))
        m_observer.measureProblem({m_beat, m_rows, m_blankRows, line});
}

void MeasureTracker::endBlock()
{
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
