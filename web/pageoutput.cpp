// The command line's reports print through LineOutput; in the page their text goes to the page's
// script instead of standard output. This stands in for cli/lineoutput.cpp until the reports
// write through an output of their own.

#include "lineoutput.h"

#include "pagebridge.h"

#include <algorithm>
#include <cstring>

LineOutput::LineOutput()
    : m_lineWrite(m_buffer.size())
{ }

void LineOutput::append(std::string_view text)
{
    while (!text.empty()) {
        if (m_size == m_buffer.size())
            flush();
        const std::size_t piece = std::min(text.size(), m_buffer.size() - m_size);
        std::memcpy(m_buffer.data() + m_size, text.data(), piece);
        m_size += piece;
        text.remove_prefix(piece);
    }
}

void LineOutput::flush()
{
    write(m_buffer.data(), m_size);
    m_size = m_lineStart = 0;
}

// The reason also ends the chart's own finding ("NAME:1: incorrect: REASON"), which the page shows.
void LineOutput::writeError(std::string_view)
{ }

void LineOutput::write(const char *data, std::size_t size)
{
    if (size > 0)
        pageAddFindings(data, size);
}
