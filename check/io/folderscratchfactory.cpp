#include "folderscratchfactory.h"

#include "fileio.h"
#include "tempscratchfactory.h"

#include <filesystem>
#include <system_error>

namespace quillet {

namespace {

// A bin folder beside a share folder is an installed prefix (/usr, /usr/local, ~/.local): it
// holds programs, not their scratch, even where the user may write to it. A build folder or an
// unpacked ZIP is the program's own.
bool isInstalledPrefix(const std::string &folder)
{
    namespace fs = std::filesystem;
    // The folder is UTF-8 on Windows; char8_t makes the path read it so there too.
    const fs::path path(std::u8string(folder.begin(), folder.end()));
    std::error_code error;
    return path.filename() == "bin" && fs::is_directory(path.parent_path() / "share", error);
}

} // namespace

std::string FolderScratchFactory::path() const
{
    constexpr char separator = std::filesystem::path::preferred_separator;
    return m_folder.empty() ? std::string("tmp.sm") : m_folder + separator + "tmp.sm";
}

ScratchFile FolderScratchFactory::create(int chart, std::vector<ScratchAttempt> &failed)
{
    if (isInstalledPrefix(m_folder))
        return TempScratchFactory().create(chart, failed);
    // Made exclusively, never removed first: whatever already stands at the path (a chart the
    // user saved as tmp.sm, the chart itself, a link, another copy's scratch) is theirs, and the
    // run goes to a private file instead. Through fileio, so that a folder named in any script is
    // taken as UTF-8 on Windows too.
    const std::string scratchPath = path();
    int error = 0;
    const int descriptor = fileio::createExclusive(scratchPath, error);
    if (descriptor >= 0)
        return ScratchFile(descriptor, scratchPath);
    failed.push_back({m_folder.empty() ? std::string(".") : m_folder, error});
    // A read-only application folder still gets its check.
    return TempScratchFactory().create(chart, failed);
}

} // namespace quillet
