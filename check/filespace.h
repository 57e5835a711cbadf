#pragma once

// Telling the file system ahead how large a file will grow.
namespace quillet::fileio {

/// The size of the regular file open at descriptor; -1 when it is not one or cannot be known.
long long regularFileSize(int descriptor);
/// Sets disk space aside for the first bytes of the file open at descriptor, its size
/// unchanged, where the system can (Linux's fallocate). Writes into space set aside cost the
/// file system far less than writes that grow the file page by page. A failure changes nothing:
/// the writes then take the space as they go.
void reserveSpace(int descriptor, long long bytes);

} // namespace quillet::fileio
