#pragma once

#include <cstddef>
#include <cstring>

namespace quillet {

class IoThread;

// Collects scratch bytes into large writes from a page-aligned buffer; remembers the first
// failure and writes no more. With an IoThread and a buffer of a few pages, one half of the
// buffer is written on its thread while the other fills.
class ScratchWriter
{
public:
    /// buffer holds capacity bytes and outlives the writer; so does behind, which may be null.
    ScratchWriter(int descriptor, char *buffer, std::size_t capacity, IoThread *behind = nullptr);
    /// Waits for a write under way.
    ~ScratchWriter();
    ScratchWriter(const ScratchWriter &) = delete;
    ScratchWriter &operator=(const ScratchWriter &) = delete;

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

    /// Writes out what the buffer holds, and waits until it is written.
    void flush();

    /// The system's error number of the first write that failed, 0 while none has. A write
    /// under way on the IoThread is known to have failed at the next write or flush.
    int error() const { return m_error; }

    /// The bytes handed to the system so far.
    std::size_t written() const { return m_written; }

private:
    void writePages();
    void write(const char *data, std::size_t size, bool behind);

    int m_descriptor;
    char *m_buffer;
    std::size_t m_capacity;
    IoThread *m_behind = nullptr;
    char *m_otherHalf = nullptr; // with m_behind: the half not being filled
    std::size_t m_size = 0;
    std::size_t m_written = 0;
    int m_error = 0;
};

} // namespace quillet
