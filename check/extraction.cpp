#include "extraction.h"

#include "blocklines.h"
#include "chartreader.h"
#include "notesheader.h"
#include "pumpclock.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>
#include <utility>

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
        if (m_tagSize > 0) {
            if (matchCutTag())
                return Stop::Found;
        } else if (m_size > 0) {
            const char *const end = m_data + m_size;
            if (!m_lines.feed(m_data, m_size, *this)) {
                if (m_abandoned)
                    return Stop::Abandoned;
                m_data = m_hit;
                m_size = std::size_t(end - m_hit);
                if (m_size >= rules::notesTag.size())
                    return Stop::Found;
                // Too few bytes to tell: the rest of the tag is in the next piece.
                std::memcpy(m_tag, m_data, m_size);
                m_tagSize = m_size;
            }
            m_size = 0;
        }
        if (m_size == 0 && !readMore())
            return m_readError != 0 ? Stop::ReadFailed : Stop::EndOfChart;
    }
}

// Goes on with a line whose first bytes matched the tag as far as the piece before went; true
// when the tag is whole. A line that turns out not to be a block's is passed over.
bool Extraction::matchCutTag()
{
    for (; m_size > 0 && m_tagSize < rules::notesTag.size(); ++m_data, --m_size) {
        if (rules::upper(*m_data) != rules::notesTag[m_tagSize]) {
            m_tagSize = 0;
            ++m_line;
            // The search goes on inside that line.
            m_lines = LineSplitter(false);
            return false;
        }
        m_tag[m_tagSize++] = *m_data;
    }
    return m_tagSize == rules::notesTag.size();
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
    if (!m_clock.count(lines)) {
        m_abandoned = true;
        return false;
    }
    return true;
}

Extraction::Stop Extraction::passBlock(BlockLines &lines, NotesHeader &header)
{
    const auto give = [&](const char *data, std::size_t size) {
        header.read(data, size);
        return lines.take(data, size);
    };
    const char *const tagData = m_tagSize > 0 ? m_tag : nullptr;
    const std::size_t tagSize = std::exchange(m_tagSize, 0);
    if (tagData != nullptr && !give(tagData, tagSize))
        return Stop::BlockEnd; // the run was abandoned: a tag has no ';' line in it
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

bool Extraction::readMore()
{
    const long long read = m_chart.read(m_buffer, m_blockSize, m_readError);
    if (read <= 0) {
        if (read == 0)
            m_readError = 0;
        return false;
    }
    m_data = m_buffer;
    m_size = std::size_t(read);
    return true;
}

} // namespace quillet
