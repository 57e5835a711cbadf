#include "scratchfile.h"

#include "fileio.h"

#include <utility>

namespace quillet {

ScratchFile::ScratchFile(int descriptor, std::string path)
    : m_descriptor(descriptor)
    , m_path(std::move(path))
{ }

ScratchFile::ScratchFile(ScratchFile &&other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1))
    , m_path(std::exchange(other.m_path, {}))
{ }

ScratchFile &ScratchFile::operator=(ScratchFile &&other) noexcept
{
    if (this != &other) {
        discard();
        m_descriptor = std::exchange(other.m_descriptor, -1);
        m_path = std::exchange(other.m_path, {});
    }
    return *this;
}

ScratchFile::~ScratchFile()
{
    discard();
}

int ScratchFile::discard()
{
    int error = fileio::noError;
    // A file saved or moved to the path while the run lasted is the user's, and stays.
    const bool ours
        = m_descriptor >= 0 && !m_path.empty() && fileio::isSameFile(m_descriptor, m_path);
    // Closed before deleting: Windows cannot delete a file that is still open.
    if (m_descriptor >= 0)
        error = fileio::close(std::exchange(m_descriptor, -1));
    if (ours) {
        const int removeError = fileio::remove(std::exchange(m_path, {}));
        if (error == fileio::noError)
            error = removeError;
    }
    m_path.clear();
    return error;
}

} // namespace quillet
