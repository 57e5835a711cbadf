#include "scratchwriter.h"

#include "fileio.h"
#include "pagebuffer.h"

#include <cstring>

namespace quillet {

void ScratchWriter::flush()
{
    if (m_size > 0)
        write(m_buffer, m_size);
    m_size = 0;
}

// Writes the buffer's whole pages and moves the rest to its start, so that the next write too
// starts on a page of the file. A buffer smaller than a page is written whole.
void ScratchWriter::writePages()
{
    const std::size_t pages = m_size / PageBuffer::pageSize * PageBuffer::pageSize;
    if (pages == 0) {
        flush();
        return;
    }
    write(m_buffer, pages);
    std::memmove(m_buffer, m_buffer + pages, m_size - pages);
    m_size -= pages;
}

void ScratchWriter::write(const char *data, std::size_t size)
{
    if (m_error == fileio::noError)
        m_error = fileio::writeAll(m_descriptor, data, size);
}

} // namespace quillet
