// The POSIX side of filespace.h.
#include "filespace.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace quillet::fileio {

long long regularFileSize(int descriptor)
{
    struct stat info;
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    return static_cast<long long>(info.st_size);
}

void reserveSpace([[maybe_unused]] int descriptor, [[maybe_unused]] long long bytes)
{
#if defined(__linux__) && defined(FALLOC_FL_KEEP_SIZE)
    if (bytes > 0)
        (void)::fallocate(descriptor, FALLOC_FL_KEEP_SIZE, 0, off_t(bytes));
#endif
}

} // namespace quillet::fileio
