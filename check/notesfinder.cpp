#include "notesfinder.h"

#include "fileio.h"
#include "pumpclock.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

namespace quillet {

namespace {

constexpr std::string_view notesTag = "#notes";

// Whether the size bytes at line agree with the tag's first ones, in any letter case.
bool matchesTag(const char *line, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        const char c = line[i];
        if ((c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) != notesTag[i])
            return false;
    }
    return true;
}

} // namespace

NotesFinder::NotesFinder(PumpClock &clock)
    : m_clock(clock)
{ }

NotesFinder::Stop NotesFinder::run(
    int chart, char *block, std::size_t blockSize, ExtractionPass::Start start)
{
    Splitter lines(!start.afterCr, start.afterCr);
    const char *data = start.data;
    std::size_t size = start.size;
    for (;;) {
        m_end = data + size;
        std::size_t kept = 0;
        if (!lines.feed(data, size, *this)) {
            if (m_cut == nullptr)
                return m_stop;
            // The cut line's first bytes go before the next read, so that the tag is whole.
            kept = std::size_t(m_end - m_cut);
            std::memmove(block, m_cut, kept);
            m_cut = nullptr;
            lines = Splitter(true);
        }
        const long long read = fileio::readSome(chart, block + kept, blockSize, m_readError);
        if (read < 0)
            return Stop::ReadFailed;
        if (read == 0)
            return Stop::EndOfChart;
        data = block;
        size = kept + std::size_t(read);
    }
}

bool NotesFinder::chunk(const Splitter::Chunk &chunk)
{
    for (std::uint64_t hashes = chunk.starts & chunk.marked; hashes != 0; hashes &= hashes - 1) {
        const unsigned at = unsigned(std::countr_zero(hashes));
        const char *line = chunk.data + at;
        const std::size_t known = std::min(std::size_t(m_end - line), notesTag.size());
        if (!matchesTag(line, known))
            continue;
        m_lines += unsigned(std::popcount(chunk.starts & ((std::uint64_t(1) << at) - 1)));
        if (known == notesTag.size()) {
            m_tagLine = {line, std::size_t(m_end - line), false, false};
            m_stop = Stop::Found;
        } else {
            m_cut = line;
        }
        return false;
    }
    const unsigned count = unsigned(std::popcount(chunk.starts));
    m_lines += count;
    if (!m_clock.count(count)) {
        m_stop = Stop::Abandoned;
        return false;
    }
    return true;
}

} // namespace quillet
