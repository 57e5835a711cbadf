// The parts of replacefile.h that are the same on every platform.
#include "replacefile.h"

#include "fileio.h"

#include <cerrno>
#include <utility>

namespace quillet {

ReplacementFile::ReplacementFile(std::string path, int original)
    : m_path(std::move(path))
    , m_identified(identify(original, m_identity))
{ }

ReplacementFile::~ReplacementFile()
{
    discard();
}

ReplaceFailure ReplacementFile::create()
{
    const std::size_t slash = m_path.find_last_of(
#ifdef _WIN32
        "\\/:"
#else
        "/"
#endif
    );
    const std::string folder = slash == m_path.npos ? std::string() : m_path.substr(0, slash + 1);
    // A dot name ending in .tmp: no folder search takes it for a chart.
    m_error = EEXIST;
    for (int attempt = 0; attempt < 100 && m_error == EEXIST; ++attempt) {
        m_newPath = folder + "." + fileio::freshName() + ".tmp";
        m_descriptor = fileio::createExclusive(m_newPath, m_error);
        if (m_descriptor >= 0) {
            m_error = fileio::noError;
            return ReplaceFailure::None;
        }
    }
    m_newPath.clear();
    return ReplaceFailure::NotCreated;
}

ReplaceFailure ReplacementFile::commit()
{
    Identity now;
    if (!m_identified || !identify(m_path, now) || !(now == m_identity)) {
        discard();
        return ReplaceFailure::Changed;
    }
    const ReplaceFailure failure = putInPlace();
    if (failure != ReplaceFailure::None)
        discard();
    return failure;
}

bool ReplacementFile::closeNew()
{
    m_error = fileio::close(m_descriptor);
    m_descriptor = -1;
    return m_error == 0;
}

void ReplacementFile::discard()
{
    if (m_descriptor >= 0)
        (void)fileio::close(m_descriptor);
    m_descriptor = -1;
    if (!m_newPath.empty())
        (void)fileio::remove(m_newPath);
    m_newPath.clear();
}

} // namespace quillet
