#include "lineoutput.h"

#include "fileio.h"

#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <sys/stat.h>
#endif

LineOutput::LineOutput()
    : m_lineWrite(maxWrite)
{
#ifndef _WIN32
    struct stat info;
    if (::fstat(1, &info) == 0 && !S_ISFIFO(info.st_mode) && !S_ISSOCK(info.st_mode))
        m_lineWrite = m_buffer.size();
#endif
}

void LineOutput::append(std::string_view text)
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
    flush();
    std::fprintf(stderr, "quillet-check: %.*s\n", int(text.size()), text.data());
}

void LineOutput::write(const char *data, std::size_t size)
{
    if (m_error == 0)
        m_error = quillet::fileio::writeAll(1, data, size);
}
