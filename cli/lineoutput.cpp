#include "lineoutput.h"

#include "outputsink.h"

#include <cstring>
#include <string>

namespace quillet {

LineOutput::LineOutput(OutputSink &output, OutputSink &errors)
    : m_out(output)
    , m_errors(errors)
    , m_lineWrite(output.isPipe() ? maxWrite : m_buffer.size())
{ }

void LineOutput::appendAcross(std::string_view text)
{
    char *const buffer = m_buffer.data();
    for (;;) {
        // A line longer than one write goes out in pieces as large as the buffer, alone.
        const bool longLine = m_size - m_lineStart + text.size() > m_lineWrite;
        if (m_lineStart > 0 && (longLine || m_size + text.size() > m_lineWrite)) {
            write(buffer, m_lineStart);
            std::memmove(buffer, buffer + m_lineStart, m_size - m_lineStart);
            m_size -= m_lineStart;
            m_lineStart = 0;
            continue;
        }
        const std::size_t limit = longLine ? m_buffer.size() : m_lineWrite;
        if (m_size + text.size() <= limit)
            break;
        const std::size_t room = limit - m_size;
        std::memcpy(buffer + m_size, text.data(), room);
        write(buffer, limit);
        m_size = 0;
        text.remove_prefix(room);
    }
    if (!text.empty())
        std::memcpy(buffer + m_size, text.data(), text.size());
    m_size += text.size();
}

void LineOutput::flush()
{
    if (m_size > 0)
        write(m_buffer.data(), m_size);
    m_size = m_lineStart = 0;
}

void LineOutput::writeError(std::string_view text)
{
    writeErrorLine("quillet-check: " + std::string(text) + "\n");
}

void LineOutput::writeErrorLine(std::string_view line)
{
    flush();
    m_errors.write(line);
}

void LineOutput::write(const char *data, std::size_t size)
{
    if (m_error == 0)
        m_error = m_out.write({data, size});
}

} // namespace quillet
