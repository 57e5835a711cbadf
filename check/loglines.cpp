#include "loglines.h"

namespace quillet {

void LogLines::append(std::string_view line)
{
    if (m_chunks.empty() || m_chunks.back().capacity() - m_chunks.back().size() < line.size()) {
        m_chunks.emplace_back();
        // A line longer than a chunk gets a chunk of its own size.
        m_chunks.back().reserve(line.size() > chunkSize ? line.size() : chunkSize);
    }
    std::string &chunk = m_chunks.back();
    chunk.append(line);
    m_ends.push_back(std::uint64_t(m_chunks.size() - 1) << 32 | chunk.size());
}

void LogLines::clear()
{
    m_chunks.clear();
    m_ends.clear();
}

std::string_view LogLines::line(std::size_t index) const
{
    const std::uint64_t end = m_ends[index];
    const std::size_t chunk = std::size_t(end >> 32);
    const std::size_t endOffset = std::size_t(end & 0xFFFFFFFFu);
    std::size_t start = 0;
    if (index > 0 && (m_ends[index - 1] >> 32) == chunk)
        start = std::size_t(m_ends[index - 1] & 0xFFFFFFFFu);
    return std::string_view(m_chunks[chunk]).substr(start, endOffset - start);
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
