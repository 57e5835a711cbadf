#include "scratchcopy.h"

#include "chartrules.h"
#include "io/fileio.h"
#include "pumpclock.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace quillet {

ScratchCopy::ScratchCopy(int descriptor, char *buffer, std::size_t capacity, PumpClock &clock)
    : m_descriptor(descriptor)
    , m_buffer(buffer)
    , m_capacity(capacity)
    , m_clock(clock)
{ }

bool ScratchCopy::take(const char *data, std::size_t size)
{
    m_piece = data;
    return m_lines.feed(data, size, *this) && m_error == 0;
}

bool ScratchCopy::chunk(const LineChunk &chunk)
{
    const std::uint64_t starts = chunk.starts;
    const std::uint64_t loneLf = chunk.lf & ~(chunk.cr << 1 | std::uint64_t(chunk.crBefore));
    // A CR in the last byte is settled by the next chunk (loneCrBefore).
    const std::uint64_t loneCr
        = chunk.cr & ~(chunk.lf >> 1) & ((std::uint64_t(1) << (chunk.size - 1)) - 1);
    const bool loneCrBefore = chunk.crBefore && (chunk.lf & 1) == 0;
    bool allCopied = m_copying && !m_endsBlock && (starts & chunk.skipped) == 0 && !loneCrBefore
        && loneCr == 0;
    for (std::uint64_t ends = starts & chunk.ends; allCopied && ends != 0; ends &= ends - 1)
        allCopied = chunk.data[std::countr_zero(ends)] != rules::blockEnd;
    if (allCopied && loneLf == 0)
        append(chunk.data, chunk.size);
    else if (!copyLines(chunk, loneLf, loneCr, loneCrBefore))
        return false;
    return m_clock.count(unsigned(std::popcount(starts))) && m_error == 0;
}

bool ScratchCopy::copyLines(
    const LineChunk &chunk, std::uint64_t loneLf, std::uint64_t loneCr, bool loneCrBefore)
{
    const char *data = chunk.data;
    if (loneCrBefore && m_copying)
        append("\n");
    const std::uint64_t lineEnds = chunk.cr | loneLf;
    unsigned segment = 0;
    for (std::uint64_t events = chunk.starts | lineEnds; events != 0; events &= events - 1) {
        const unsigned at = unsigned(std::countr_zero(events));
        const std::uint64_t bit = std::uint64_t(1) << at;
        // A line's start comes before its end: an empty line has both at one byte.
        if (chunk.starts & bit) {
            if (m_copying)
                append(data + segment, at - segment);
            segment = at;
            const rules::LineClass type = rules::lineClass(data[at]);
            m_copying = type != rules::LineClass::Skipped;
            m_endsBlock = type == rules::LineClass::BlockEnd;
        }
        if ((lineEnds & bit) == 0)
            continue;
        if (m_endsBlock) {
            append(data + segment, at - segment);
            append("\r\n");
            m_copying = false;
            m_taken = std::size_t(data + at - m_piece);
            return false;
        }
        if (!m_copying)
            continue;
        if (loneLf & bit) {
            append(data + segment, at - segment);
            append("\r");
            segment = at;
        } else if (loneCr & bit) {
            append(data + segment, at + 1 - segment);
            append("\n");
            segment = at + 1;
        }
    }
    if (m_copying)
        append(data + segment, chunk.size - segment);
    return true;
}

// At the end of the chart: the last line still needs its CR LF, or the LF after its CR.
void ScratchCopy::finish()
{
    if (!m_copying)
        return;
    if (m_lines.endsWithCr())
        append("\n");
    else if (m_lines.endsInsideLine())
        append("\r\n");
}

void ScratchCopy::append(const char *data, std::size_t size)
{
    for (std::size_t piece = 0; size > 0 && m_error == 0; data += piece, size -= piece) {
        if (m_size == m_capacity)
            flush();
        piece = std::min(size, m_capacity - m_size);
        std::memcpy(m_buffer + m_size, data, piece);
        m_size += piece;
    }
}

int ScratchCopy::flush()
{
    if (m_error == 0 && m_size > 0)
        m_error = fileio::writeAll(m_descriptor, m_buffer, m_size);
    m_size = 0;
    return m_error;
}

} // namespace quillet
