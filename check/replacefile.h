#pragma once

#include <cstdint>
#include <string>

namespace quillet {

// Why a file was not replaced.
enum class ReplaceFailure {
    None,
    NotCreated, // the new file cannot be made in the file's folder (with error)
    NotWritten, // writing or flushing it failed (with error)
    OldExists, // PATH.old is there already
    Changed, // the file changed on disk after it was opened
    NotRenamed, // the last step failed (with error)
};

// A new version of a file, written beside it and put in its place in one step; the file itself
// is kept as PATH.old, as StepMania's editor keeps its backups. Until commit succeeds nothing of
// it is left behind, and the file is untouched.
class ReplacementFile
{
public:
    /// path names the file to replace, open at original (which stays the caller's); what the
    /// file is at that moment is what commit expects to find.
    ReplacementFile(std::string path, int original);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile &) = delete;
    ReplacementFile &operator=(const ReplacementFile &) = delete;

    /// Creates the new file in the folder of the file to replace, empty.
    [[nodiscard]] ReplaceFailure create();
    /// The new file, open for writing after create.
    int descriptor() const { return m_descriptor; }
    /// Starts writing what the new file holds so far to disk, without waiting, so that commit
    /// has less to wait for; where the system has no such call, nothing.
    void startWriteBack();
    /// Flushes the new file to disk, gives it the file's permissions, and puts it in the file's
    /// place, the file becoming PATH.old. Refused when PATH.old exists or the file changed.
    [[nodiscard]] ReplaceFailure commit();
    /// Removes the new file.
    void discard();

    /// The system's error number behind NotCreated, NotWritten and NotRenamed.
    int error() const { return m_error; }
    /// "PATH.old"
    std::string oldPath() const { return m_path + ".old"; }

private:
    // What the file was when it was opened: compared before it is replaced.
    struct Identity
    {
        std::uint64_t device = 0;
        std::uint64_t file = 0;
        std::uint64_t size = 0;
        std::int64_t modified = 0;
        unsigned mode = 0;
        bool operator==(const Identity &) const = default;
    };
    static bool identify(int descriptor, Identity &identity);
    static bool identify(const std::string &path, Identity &identity);
    ReplaceFailure putInPlace();
    // After the new file's flush: closes it; false, its error kept, when the close failed.
    bool closeNew();

    std::string m_path;
    std::string m_newPath;
    Identity m_identity;
    bool m_identified = false;
    int m_descriptor = -1;
    int m_error = 0;
};

} // namespace quillet
