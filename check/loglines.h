#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The log's lines, held compactly: their bytes in large chunks and where each one ends, so a log
// of millions of lines costs a few bytes a line beyond its text. Chunks are never reallocated, so
// a growing log never holds two copies of itself.
class LogLines
{
public:
    void append(std::string_view line);
    void clear();

    std::size_t size() const { return m_ends.size(); }
    bool empty() const { return size() == 0; }
    /// Line index, without its line end.
    std::string_view line(std::size_t index) const;
    /// The length of lines [first, last) as text, each followed by lineEndSize bytes.
    std::size_t textSize(std::size_t first, std::size_t last, std::size_t lineEndSize = 2) const;
    /// Lines [first, last) as text, each followed by lineEnd.
    std::string text(std::size_t first, std::size_t last, std::string_view lineEnd = "\r\n") const;

private:
    static constexpr std::size_t chunkSize = std::size_t(1) << 20;

    std::size_t chunkOf(std::size_t index) const;

    std::vector<std::string> m_chunks; // each filled up to the capacity it was given
    std::vector<std::size_t> m_chunkFirstLines; // the index of each chunk's first line
    // Each line's end offset in its chunk: four bytes a line, as a list view's rows cost eight.
    std::deque<std::uint32_t> m_ends;
};

} // namespace quillet
