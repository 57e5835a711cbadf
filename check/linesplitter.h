#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUILLET_HAVE_SSE2 1
#endif

namespace quillet {

// Splits a stream, block by block, into lines that end at CR LF, a lone CR or a lone LF, also
// when a line or a CR LF pair falls across two blocks.
//
// The visitor is called as visitor.line(begin, end, next, continued, ended) for every piece of a
// line in a block: [begin, end) is its text and [end, next) its line end within the block.
// continued says the line began in an earlier block; ended is false when the block ends inside the
// line. A line starts exactly once with continued false, so its first character is *begin when
// begin != end, and an empty line has begin == end. Returning false stops the split.
class LineSplitter
{
public:
    /// Feeds one block; returns false when the visitor stopped.
    template <class Visitor>
    bool feed(const char *data, std::size_t size, Visitor &visitor);

    /// Ends the stream: a last line with no line end is ended here (begin == end == nullptr).
    template <class Visitor>
    bool finish(Visitor &visitor);

private:
    bool m_inLine = false; // the last block ended inside a line
    bool m_afterCr = false; // the last block ended with a CR, so a leading LF belongs to it
};

namespace detail {

// One bit for every CR or LF among the 64 bytes at p.
inline std::uint64_t lineEndMask(const char *p)
{
#ifdef QUILLET_HAVE_SSE2
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    std::uint64_t mask = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * i));
        const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf));
        mask |= std::uint64_t(std::uint32_t(_mm_movemask_epi8(hits))) << (16 * i);
    }
    return mask;
#else
    std::uint64_t mask = 0;
    for (int i = 0; i < 64; ++i)
        mask |= std::uint64_t(p[i] == '\r' || p[i] == '\n') << i;
    return mask;
#endif
}

} // namespace detail

template <class Visitor>
bool LineSplitter::feed(const char *data, std::size_t size, Visitor &visitor)
{
    if (size == 0)
        return true;
    std::size_t lineBegin = 0;
    if (m_afterCr) {
        m_afterCr = false;
        if (data[0] == '\n')
            lineBegin = 1;
    }
    bool continued = m_inLine;
    bool sawLineEnd = lineBegin > 0;

    // Called for each CR or LF at position end; returns false when the visitor stops.
    auto atLineEnd = [&](std::size_t end) {
        if (end < lineBegin) // the LF of a CR LF pair
            return true;
        std::size_t next = end + 1;
        if (data[end] == '\r') {
            if (next < size) {
                if (data[next] == '\n')
                    ++next;
            } else {
                m_afterCr = true;
            }
        }
        const bool keepGoing = visitor.line(data + lineBegin, data + end, data + next, continued, true);
        continued = false;
        sawLineEnd = true;
        lineBegin = next;
        return keepGoing;
    };

    std::size_t chunk = lineBegin;
    for (; chunk + 64 <= size; chunk += 64) {
        for (std::uint64_t mask = detail::lineEndMask(data + chunk); mask != 0; mask &= mask - 1) {
            if (!atLineEnd(chunk + std::size_t(std::countr_zero(mask)))) {
                m_inLine = false;
                return false;
            }
        }
    }
    for (; chunk < size; ++chunk) {
        if ((data[chunk] == '\r' || data[chunk] == '\n') && !atLineEnd(chunk)) {
            m_inLine = false;
            return false;
        }
    }

    if (lineBegin < size) {
        m_inLine = true;
        return visitor.line(data + lineBegin, data + size, data + size, continued, false);
    }
    if (sawLineEnd)
        m_inLine = false;
    return true;
}

template <class Visitor>
bool LineSplitter::finish(Visitor &visitor)
{
    m_afterCr = false;
    if (!m_inLine)
        return true;
    m_inLine = false;
    return visitor.line(nullptr, nullptr, nullptr, true, true);
}

} // namespace quillet
