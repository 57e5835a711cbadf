#pragma once

#include <cstddef>
#include <string>

// Thin descriptor-level file access, so the core reads in large blocks on every platform.
namespace quillet::fileio {

inline constexpr int noError = 0;

/// Opens path for reading without blocking on FIFOs or devices; returns -1 and sets error.
int openForReading(const std::string &path, int &error);
/// True when the open descriptor is a regular file.
bool isRegularFile(int descriptor);
/// Creates path exclusively for reading and writing, never through a link, readable and writable
/// by its owner alone; -1 and error on failure.
int createExclusive(const std::string &path, int &error);
/// Creates a file in folder, as createExclusive does, that no other program can open by name and
/// that nothing is left of however the program ends: O_TMPFILE where the file system has it,
/// else a fresh name removed at once; on Windows a file deleted when closed. -1 and error on
/// failure.
int createAnonymous(const std::string &folder, int &error);
/// True when path, itself and not a link's target, names the file open at descriptor.
bool isSameFile(int descriptor, const std::string &path);
/// Reads up to size bytes; returns the count (0 at end of file) or -1 and sets error. On a
/// non-blocking descriptor it waits for data rather than fail.
long long readSome(int descriptor, char *data, std::size_t size, int &error);
/// Writes all size bytes; returns the system's error number, 0 on success.
int writeAll(int descriptor, const char *data, std::size_t size);
/// Moves to the start of the file; returns the system's error number, 0 on success.
int rewind(int descriptor);
/// Ends the file where the descriptor stands; returns the system's error number, 0 on success.
int truncateHere(int descriptor);
/// Closes descriptor; returns the system's error number, 0 on success.
int close(int descriptor);
/// Deletes the file at path; returns the system's error number, 0 on success.
int remove(const std::string &path);
/// The folder for temporary files: TMPDIR when it is set and not empty (as mktemp reads it), else
/// the system's; on Windows the system's.
std::string temporaryFolder();
/// A name for a new file that is hard to guess: "quillet-", 16 hex digits, ".sm".
std::string freshName();
/// The text of the system's error number.
std::string errorText(int error);

} // namespace quillet::fileio
