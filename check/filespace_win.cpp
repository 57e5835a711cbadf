// The Windows side of filespace.h: the size is known, no space is set aside.
#include "filespace.h"

#include <sys/stat.h>

namespace quillet::fileio {

long long regularFileSize(int descriptor)
{
    struct _stat64 info;
    if (::_fstat64(descriptor, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG)
        return -1;
    return static_cast<long long>(info.st_size);
}

void reserveSpace(int, long long)
{ }

} // namespace quillet::fileio
