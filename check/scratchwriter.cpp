#include "scratchwriter.h"

#include "fileio.h"

namespace quillet {

void ScratchWriter::flush()
{
    if (m_size > 0)
        write(m_buffer, m_size);
    m_size = 0;
}

void ScratchWriter::write(const char *data, std::size_t size)
{
    if (m_error == fileio::noError)
        m_error = fileio::writeAll(m_descriptor, data, size);
}

} // namespace quillet
