#include "loglines.h"

#include <algorithm>

namespace quillet {

void LogLines::append(std::string_view line)
{
    if (m_chunks.empty() || m_chunks.back().capacity() - m_chunks.back().size() < line.size()) {
        m_chunks.emplace_back();
        // A line longer than a chunk gets a chunk of its own size.
        m_chunks.back().reserve(line.size() > chunkSize ? line.size() : chunkSize);
        m_chunkFirstLines.push_back(m_ends.size());
    }
    std::string &chunk = m_chunks.back();
    chunk.append(line);
    m_ends.push_back(std::uint32_t(chunk.size()));
}

std::size_t LogLines::chunkOf(std::size_t index) const
{
    // Not std::ranges: the browser page's toolchain (emscripten's libc++ 14) has none.
    const auto after = std::upper_bound(m_chunkFirstLines.begin(), m_chunkFirstLines.end(), index);
    return std::size_t(after - m_chunkFirstLines.begin()) - 1;
}

void LogLines::clear()
{
    m_chunks.clear();
    m_chunkFirstLines.clear();
    m_ends.clear();
}

std::string_view LogLines::line(std::size_t index) const
{
    const std::size_t chunk = chunkOf(index);
    const std::size_t start = index == m_chunkFirstLines[chunk] ? 0 : m_ends[index - 1];
    return std::string_view(m_chunks[chunk]).substr(start, m_ends[index] - start);
}

std::size_t LogLines::textSize(std::size_t first, std::size_t last, std::size_t lineEndSize) const
{
    std::size_t bytes = 0;
    for (std::size_t index = first; index < last; ++index)
        bytes += line(index).size() + lineEndSize;
    return bytes;
}

std::string LogLines::text(std::size_t first, std::size_t last, std::string_view lineEnd) const
{
    std::string text;
    text.reserve(textSize(first, last, lineEnd.size()));
    for (std::size_t index = first; index < last; ++index) {
        text.append(line(index));
        text.append(lineEnd);
    }
    return text;
}

} // namespace quillet
