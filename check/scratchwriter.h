#pragma once

#include <cstddef>
#include <cstring>

namespace quillet {

// Collects scratch bytes into large writes from a page-aligned buffer; remembers the first
// failure and writes no more.
class ScratchWriter
{
public:
    /// buffer holds capacity bytes and outlives the writer.
    ScratchWriter(int descriptor, char *buffer, std::size_t capacity)
        : m_descriptor(descriptor)
        , m_buffer(buffer)
        , m_capacity(capacity)
    { }

    /// Appends size bytes. Even a piece as large as the buffer is copied: every write but the
    /// last then starts on a page of the file, where writes straight from a chart's block
    /// started a line into a page and cost the kernel more than the copy.
    void append(const char *data, std::size_t size)
    {
        while (size > 0 && m_error == 0) {
            if (m_size == m_capacity)
                writePages();
            const std::size_t piece = size < m_capacity - m_size ? size : m_capacity - m_size;
            std::memcpy(m_buffer + m_size, data, piece);
            m_size += piece;
            data += piece;
            size -= piece;
        }
    }

    /// Room for size bytes (at most the capacity less a page) at the end of the buffer, to be
    /// filled and then passed to commit.
    char *reserve(std::size_t size)
    {
        if (m_size + size > m_capacity)
            writePages();
        return m_buffer + m_size;
    }

    /// Ends the bytes filled in after reserve at end.
    void commit(char *end) { m_size = std::size_t(end - m_buffer); }

    /// Writes out what the buffer holds.
    void flush();

    /// The system's error number of the first write that failed, 0 while none has.
    int error() const { return m_error; }

private:
    void writePages();
    void write(const char *data, std::size_t size);

    int m_descriptor;
    char *m_buffer;
    std::size_t m_capacity;
    std::size_t m_size = 0;
    int m_error = 0;
};

} // namespace quillet
