#include "scan.h"

#include "blockobserver.h"
#include "chartrules.h"
#include "messages.h"
#include "messagesink.h"
#include "notesheader.h"
#include "pumpclock.h"

#include <bit>

namespace quillet {

Scan::Scan(MessageSink &sink, PumpClock &clock, BlockObserver *observer, const NotesHeader &header)
    : m_sink(sink)
    , m_clock(clock)
    , m_observer(observer)
    , m_header(header)
{ }

void Scan::beginBlock(std::uint64_t number, std::uint64_t firstLine)
{
    m_lines = LineSplitter();
    m_number = number;
    m_line = firstLine - 1;
    m_beat = m_rows = m_blankRows = m_problems = 0;
    m_taken = 0;
    m_begun = false;
}

void Scan::begin()
{
    if (m_begun)
        return;
    m_begun = true;
    if (m_observer != nullptr)
        m_observer->blockBegins(m_number, m_header.name());
    m_sink.addMessage(messages::checking);
}

bool Scan::chunk(const LineChunk &chunk)
{
    const std::uint64_t starts = chunk.starts;
    std::uint64_t rowStarts = starts & ~(chunk.ends | chunk.skipped);
    const std::uint64_t blank = chunk.cr | chunk.lf;
    // Most chunks end a measure: the counts stay in locals, stored back once.
    std::uint64_t rows = m_rows;
    std::uint64_t blankRows = m_blankRows;
    for (std::uint64_t ends = starts & chunk.ends; ends != 0; ends &= ends - 1) {
        const std::uint64_t before = (ends & (0 - ends)) - 1;
        rows += unsigned(std::popcount(rowStarts & before));
        blankRows += unsigned(std::popcount(rowStarts & before & blank));
        rowStarts &= ~before;
        m_beat += 4;
        const unsigned at = unsigned(std::countr_zero(ends));
        const bool blockEnds = chunk.data[at] == rules::blockEnd;
        if (!m_begun || !rules::isAcceptedSize(rows) || blockEnds) [[unlikely]] {
            const std::uint64_t line = m_line + unsigned(std::popcount(starts & before)) + 1;
            m_rows = rows;
            m_blankRows = blankRows;
            report(line);
            if (blockEnds) {
                m_line = line;
                m_taken = std::size_t(chunk.data + at + 1 - m_piece);
                return false;
            }
        }
        rows = blankRows = 0;
    }
    m_rows = rows + unsigned(std::popcount(rowStarts));
    m_blankRows = blankRows + unsigned(std::popcount(rowStarts & blank));
    const unsigned lines = unsigned(std::popcount(starts));
    m_line += lines;
    return m_clock.count(lines);
}

bool Scan::take(const char *data, std::size_t size)
{
    m_piece = data;
    return m_lines.feed(data, size, *this);
}

void Scan::report(std::uint64_t line)
{
    begin();
    if (rules::isAcceptedSize(m_rows))
        return;
    ++m_problems;
    if (m_observer != nullptr)
        m_observer->measureProblem({m_beat, m_rows, m_blankRows, line});
    m_sink.addMeasureMessages(m_beat, m_rows);
}

} // namespace quillet
