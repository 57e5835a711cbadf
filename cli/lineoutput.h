#pragma once

#include "pagebuffer.h"

#include <cstddef>
#include <cstring>
#include <string_view>

namespace quillet {

class OutputSink;

// Standard output in whole lines: every write ends at a line end and, on a pipe, holds at most
// 4 KiB where the lines allow, so that runs sharing a pipe (xargs -P) never splice each other's
// lines; a file or a terminal takes whole lines 64 KiB at a time. A longer line goes out alone
// in pieces of up to 64 KiB as it is made.
class LineOutput
{
public:
    static constexpr std::size_t maxWrite = 4096; // PIPE_BUF on Linux: a pipe write stays whole

    LineOutput(OutputSink &output, OutputSink &errors);

    /// Adds text to the line under way.
    void append(std::string_view text)
    {
        // Most texts fit in the write under way: a log has a line per measure of a wrong size.
        if (m_size + text.size() > m_lineWrite)
            return appendAcross(text);
        // An empty view may hold no pointer at all, which memcpy must not be given.
        if (!text.empty())
            std::memcpy(m_buffer.data() + m_size, text.data(), text.size());
        m_size += text.size();
    }
    /// Room for size bytes at the end of the write under way, for text made in place; null when
    /// they would not fit, and then append must be used. Written bytes are kept by commit.
    char *room(std::size_t size)
    {
        return m_size + size <= m_lineWrite ? m_buffer.data() + m_size : nullptr;
    }
    /// After room: the text made in place ends at end.
    void commit(const char *end) { m_size = std::size_t(end - m_buffer.data()); }
    /// Ends the line under way; its line end must have been appended.
    void endLine() { m_lineStart = m_size; }
    /// One whole line: prefix, text and end.
    void writeLine(std::string_view prefix, std::string_view text, std::string_view end)
    {
        append(prefix);
        append(text);
        append(end);
        endLine();
    }

    /// Writes out what the buffer holds.
    void flush();
    /// "quillet-check: TEXT" on standard error, after what standard output holds, so that the
    /// lines keep their order on a terminal.
    void writeError(std::string_view text);
    /// A whole line of standard error as it is, after what standard output holds.
    void writeErrorLine(std::string_view line);

    /// The system's error number of the first write that failed, 0 while none has.
    int error() const { return m_error; }

private:
    void appendAcross(std::string_view text);
    void write(const char *data, std::size_t size);

    OutputSink &m_out;
    OutputSink &m_errors;
    PageBuffer m_buffer {16 * maxWrite};
    std::size_t m_lineWrite; // the most whole lines go out at a time
    std::size_t m_size = 0;
    std::size_t m_lineStart = 0; // where the line under way begins in the buffer
    int m_error = 0;
};

} // namespace quillet
