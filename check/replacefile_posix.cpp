// The POSIX side of replacefile.h.
#include "replacefile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {

namespace {

void fill(const struct stat &info, auto &identity)
{
    identity.device = std::uint64_t(info.st_dev);
    identity.file = std::uint64_t(info.st_ino);
    identity.size = std::uint64_t(info.st_size);
    identity.modified = std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    identity.mode = unsigned(info.st_mode);
}

} // namespace

bool ReplacementFile::identify(int descriptor, Identity &identity)
{
    struct stat info;
    if (::fstat(descriptor, &info) != 0)
        return false;
    fill(info, identity);
    return true;
}

bool ReplacementFile::identify(const std::string &path, Identity &identity)
{
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0)
        return false;
    fill(info, identity);
    return true;
}

void ReplacementFile::startWriteBack()
{
#ifdef SYNC_FILE_RANGE_WRITE
    if (m_descriptor >= 0)
        (void)::sync_file_range(m_descriptor, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

ReplaceFailure ReplacementFile::putInPlace()
{
    if (::fchmod(m_descriptor, m_identity.mode & 07777) != 0 || ::fsync(m_descriptor) != 0) {
        m_error = errno;
        return ReplaceFailure::NotWritten;
    }
    if (!closeNew())
        return ReplaceFailure::NotWritten;

    // A second name for the chart, which fails if PATH.old exists: the check and the keeping
    // are one step. Where the file system has no links, the chart is moved there instead.
    const std::string old = oldPath();
    bool linked = ::link(m_path.c_str(), old.c_str()) == 0;
    if (!linked) {
        m_error = errno;
        if (m_error == EEXIST)
            return ReplaceFailure::OldExists;
        if (m_error != EPERM && m_error != ENOTSUP && m_error != EOPNOTSUPP && m_error != EMLINK)
            return ReplaceFailure::NotRenamed;
        struct stat info;
        if (::lstat(old.c_str(), &info) == 0)
            return ReplaceFailure::OldExists;
        if (::rename(m_path.c_str(), old.c_str()) != 0) {
            m_error = errno;
            return ReplaceFailure::NotRenamed;
        }
    }
    if (::rename(m_newPath.c_str(), m_path.c_str()) != 0) {
        m_error = errno;
        if (linked)
            ::unlink(old.c_str());
        else
            ::rename(old.c_str(), m_path.c_str());
        return ReplaceFailure::NotRenamed;
    }
    m_newPath.clear();
    m_error = 0;

    // The renames themselves reach the disk with the folder.
    const std::size_t slash = m_path.rfind('/');
    const std::string folder = slash == m_path.npos ? "." : m_path.substr(0, slash + 1);
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
    return ReplaceFailure::None;
}

} // namespace quillet
