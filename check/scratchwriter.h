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

    /// Appends size bytes; a piece as large as the buffer goes out directly.
    void append(const char *data, std::size_t size)
    {
        if (m_error != 0)
            return;
        if (m_size + size > m_capacity)
            flush();
        if (size >= m_capacity) {
            write(data, size);
            return;
        }
        std::memcpy(m_buffer + m_size, data, size);
        m_size += size;
    }

    /// Room for size bytes at the end of the buffer, to be filled and then passed to commit.
    char *reserve(std::size_t size)
    {
        if (m_size + size > m_capacity)
            flush();
        return m_buffer + m_size;
    }

    /// Ends the bytes filled in after reserve at end.
    void commit(char *end) { m_size = std::size_t(end - m_buffer); }

    /// Writes out what the buffer holds.
    void flush();

    /// The system's error number of the first write that failed, 0 while none has.
    int error() const { return m_error; }

private:
    void write(const char *data, std::size_t size);

    int m_descriptor;
    char *m_buffer;
    std::size_t m_capacity;
    std::size_t m_size = 0;
    int m_error = 0;
};

} // namespace quillet
