#include "blockreader.h"

#include "fileio.h"
#include "iothread.h"

namespace quillet {

BlockReader::BlockReader(int descriptor, char *buffer, std::size_t blockSize, IoThread *io)
    : m_descriptor(descriptor)
    , m_buffer(buffer)
    , m_blockSize(blockSize)
    , m_io(io)
{ }

BlockReader::~BlockReader()
{
    if (m_reading)
        (void)m_io->wait();
}

long long BlockReader::next(const char *&data, int &error)
{
    data = m_buffer;
    if (m_io == nullptr)
        return fileio::readSome(m_descriptor, m_buffer, m_blockSize, error);
    char *const block = m_second ? m_buffer + m_blockSize : m_buffer;
    if (!m_reading)
        m_io->startRead(m_descriptor, block, m_blockSize);
    long long count = 0;
    error = m_io->wait(count);
    m_reading = false;
    data = block;
    if (count > 0) {
        m_second = !m_second;
        m_io->startRead(m_descriptor, m_second ? m_buffer + m_blockSize : m_buffer, m_blockSize);
        m_reading = true;
    }
    return count;
}

} // namespace quillet
