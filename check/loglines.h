#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The log's lines, held compactly: one buffer of their bytes and where each one ends, so a log
// of millions of lines costs a few bytes a line beyond its text.
class LogLines
{
public:
    void append(std::string_view line);
    void clear();

    std::size_t size() const;
    bool empty() const { return size() == 0; }
    /// Line index, without its line end.
    std::string_view line(std::size_t index) const;
    /// Lines [first, last) as text, each followed by lineEnd.
    std::string text(std::size_t first, std::size_t last, std::string_view lineEnd = "\r\n") const;

private:
    std::string m_bytes;
    std::vector<std::size_t> m_ends; // implementation may choose a narrower type
};

} // namespace quillet
