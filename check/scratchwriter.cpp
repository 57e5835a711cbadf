#include "scratchwriter.h"

#include "fileio.h"
#include "iothread.h"
#include "pagebuffer.h"

#include <cstring>
#include <utility>

namespace quillet {

ScratchWriter::ScratchWriter(int descriptor, char *buffer, std::size_t capacity, IoThread *behind)
    : m_descriptor(descriptor)
    , m_buffer(buffer)
    , m_capacity(capacity)
{
    // Each half holds a page to write and room for what follows it.
    const std::size_t half = capacity / 2 / PageBuffer::pageSize * PageBuffer::pageSize;
    if (behind != nullptr && half >= 2 * PageBuffer::pageSize) {
        m_behind = behind;
        m_capacity = half;
        m_otherHalf = buffer + half;
    }
}

ScratchWriter::~ScratchWriter()
{
    if (m_behind != nullptr)
        (void)m_behind->wait();
}

// The last piece is written here: a small scratch file then never wakes the thread.
void ScratchWriter::flush()
{
    write(m_buffer, m_size, false);
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
    write(m_buffer, pages, true);
    if (m_behind != nullptr) {
        // The other half's write is over: the rest goes there while this half is written.
        std::memcpy(m_otherHalf, m_buffer + pages, m_size - pages);
        std::swap(m_buffer, m_otherHalf);
    } else {
        std::memmove(m_buffer, m_buffer + pages, m_size - pages);
    }
    m_size -= pages;
}

void ScratchWriter::write(const char *data, std::size_t size, bool behind)
{
    // The piece under way is waited for whatever comes next: its half of the buffer is the one
    // to be filled again.
    if (m_behind != nullptr) {
        const int error = m_behind->wait();
        if (m_error == fileio::noError)
            m_error = error;
    }
    if (m_error != fileio::noError || size == 0)
        return;
    m_written += size;
    if (behind && m_behind != nullptr)
        (void)m_behind->startWrite(m_descriptor, data, size);
    else
        m_error = fileio::writeAll(m_descriptor, data, size);
}

} // namespace quillet
