#pragma once

#include <cstddef>

namespace quillet {

class IoThread;

// Reads a file block after block. With an IoThread, each block but the first is read on its
// thread while the caller works on the one before.
class BlockReader
{
public:
    /// buffer holds blockSize bytes, twice that with io (which may be null); both outlive the
    /// reader.
    BlockReader(int descriptor, char *buffer, std::size_t blockSize, IoThread *io);
    /// Waits for a read under way.
    ~BlockReader();
    BlockReader(const BlockReader &) = delete;
    BlockReader &operator=(const BlockReader &) = delete;

    /// The next block's size, 0 at the end of the file, or -1 and error; data then points at its
    /// bytes, which stay until the next call.
    long long next(const char *&data, int &error);

private:
    int m_descriptor;
    char *m_buffer;
    std::size_t m_blockSize;
    IoThread *m_io;
    bool m_second = false; // with io: the block under way goes to the buffer's second half
    bool m_reading = false; // with io: a read is under way
};

} // namespace quillet
