#pragma once

#include <string>

namespace quillet {

// An open read-write scratch file that is closed and deleted when this object goes.
class ScratchFile
{
public:
    ScratchFile() = default;
    /// Takes ownership of descriptor; path is removed at the end unless it is empty or no longer
    /// names this file.
    ScratchFile(int descriptor, std::string path);
    ScratchFile(ScratchFile &&other) noexcept;
    ScratchFile &operator=(ScratchFile &&other) noexcept;
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;
    ~ScratchFile();

    bool isOpen() const { return m_descriptor >= 0; }
    int descriptor() const { return m_descriptor; }
    const std::string &path() const { return m_path; }

    /// Closes the file and deletes it; returns the system's error number, 0 on success.
    int discard();

private:
    int m_descriptor = -1;
    std::string m_path;
};

} // namespace quillet
