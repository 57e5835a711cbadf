#pragma once

#include "blocklines.h"
#include "io/linesplitter.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillet {

class PumpClock;

// The window's copy of a note block in its scratch file: every line of the block that is not
// skipped, each ended with CR LF, up to and with the ';' line. Lines that already end in CR LF go
// out as they came in; a lone CR gets an LF after it and a lone LF a CR before it. Writes in
// large pieces; remembers the first failure and writes no more.
class ScratchCopy : public BlockLines
{
public:
    /// The least buffer the copy needs.
    static constexpr std::size_t minimumBuffer = 4096;

    /// buffer holds capacity bytes (at least minimumBuffer) and outlives the copy.
    ScratchCopy(int descriptor, char *buffer, std::size_t capacity, PumpClock &clock);

    bool take(const char *data, std::size_t size) override;
    std::size_t taken() const override { return m_taken; }
    void finish() override;

    /// Writes out what the buffer holds; returns error().
    int flush();

    // Inlined into the splitter's loop; the chunks that need line-by-line work are not.
    [[gnu::always_inline]] inline bool chunk(const LineChunk &chunk);

private:
    [[gnu::noinline]] bool copyLines(const LineChunk &chunk, std::uint64_t loneLf,
        std::uint64_t loneCr, bool loneCrBefore);
    void append(const char *data, std::size_t size);
    void append(std::string_view text) { append(text.data(), text.size()); }

    int m_descriptor;
    char *m_buffer;
    std::size_t m_capacity;
    std::size_t m_size = 0;
    PumpClock &m_clock;
    LineSplitter m_lines;
    const char *m_piece = nullptr;
    std::size_t m_taken = 0;
    bool m_copying = false; // the line under way is copied
    bool m_endsBlock = false; // the line under way begins with ';'
    int m_error = 0;
};

} // namespace quillet
