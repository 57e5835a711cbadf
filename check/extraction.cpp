#include "extraction.h"

#include "blocklines.h"
#include "chartreader.h"
#include "notesheader.h"
#include "pumpclock.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

namespace quillet {

Extraction::Extraction(ChartReader &chart, char *buffer, std::size_t blockSize, std::size_t size,
    PumpClock &clock)
    : m_chart(chart)
    , m_buffer(buffer)
    , m_blockSize(blockSize)
    , m_clock(clock)
    , m_data(buffer)
    , m_size(size)
{ }

Extraction::Stop Extraction::findBlock()
{
    for (;;) {
        std::size_t kept = 0;
        if (m_size > 0 && !m_lines.feed(m_data, m_size, *this)) {
            if (m_clock.isAbandoned())
                return Stop::Abandoned;
            kept = std::size_t(m_data + m_size - m_hit);
            m_data = m_hit;
            m_size = kept;
            if (kept >= rules::notesTag.size())
                return Stop::Found;
            // Too few bytes to tell: the line is read again, with the next piece after it.
            m_lines = LineSplitter();
        }
        if (!readMore(kept))
            return m_readError != 0 ? Stop::ReadFailed : Stop::EndOfChart;
    }
}

bool Extraction::chunk(const LineChunk &chunk)
{
    const char *const end = m_data + m_size;
    for (std::uint64_t hashes = chunk.starts & chunk.skipped; hashes != 0; hashes &= hashes - 1) {
        const unsigned at = unsigned(std::countr_zero(hashes));
        const char *line = chunk.data + at;
        const std::size_t known = std::min(std::size_t(end - line), rules::notesTag.size());
        if (!rules::matchesNotesTag(std::string_view(line, known)))
            continue;
        m_line += unsigned(std::popcount(chunk.starts & ((std::uint64_t(1) << at) - 1)));
        m_hit = line;
        return false;
    }
    const unsigned lines = unsigned(std::popcount(chunk.starts));
    m_line += lines;
    return m_clock.count(lines);
}

Extraction::Stop Extraction::passBlock(BlockLines &lines, NotesHeader &header)
{
    const auto give = [&](const char *data, std::size_t size) {
        header.read(data, size);
        return lines.take(data, size);
    };
    for (;;) {
        if (m_size > 0 && !give(m_data, m_size)) {
            const std::size_t taken = std::min(lines.taken(), m_size);
            m_data += taken;
            m_size -= taken;
            // The search goes on inside the ';' line.
            m_lines = LineSplitter(false);
            return Stop::BlockEnd;
        }
        m_size = 0;
        if (!readMore()) {
            if (m_readError != 0)
                return Stop::ReadFailed;
            lines.finish();
            return Stop::EndOfChart;
        }
    }
}

bool Extraction::readMore(std::size_t kept)
{
    std::memmove(m_buffer, m_data, kept);
    const long long read = m_chart.read(m_buffer + kept, m_blockSize, m_readError);
    if (read <= 0) {
        if (read == 0)
            m_readError = 0;
        return false;
    }
    m_data = m_buffer;
    m_size = kept + std::size_t(read);
    return true;
}

} // namespace quillet
