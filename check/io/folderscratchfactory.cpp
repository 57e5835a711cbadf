#include "folderscratchfactory.h"

#include "fileio.h"
#include "tempscratchfactory.h"

#include <cerrno>
#include <filesystem>
#include <utility>

namespace quillet {

FolderScratchFactory::FolderScratchFactory(std::string folder)
    : m_folder(std::move(folder))
{ }

std::string FolderScratchFactory::path() const
{
    constexpr char separator = std::filesystem::path::preferred_separator;
    return m_folder.empty() ? std::string("tmp.sm") : m_folder + separator + "tmp.sm";
}

ScratchFile FolderScratchFactory::create(int chart, std::vector<ScratchAttempt> &failed)
{
    const std::string scratchPath = path();
    // A chart saved as tmp.sm in the folder, or linked there, is never removed or written.
    if (fileio::isSameFile(chart, scratchPath))
        return TempScratchFactory().create(chart, failed);
    // Whatever stands at the path is removed, never written through: a link could point at a
    // file of the user's, and a hard-linked or shared regular file would be truncated for all.
    // A few tries, in case another copy of the program makes the file in between.
    int createError = 0;
    // Through fileio, so that a folder named in any script is taken as UTF-8 on Windows too.
    for (int attempt = 0; attempt < 3; ++attempt) {
        static_cast<void>(fileio::remove(scratchPath));
        const int descriptor = fileio::createExclusive(scratchPath, createError);
        if (descriptor >= 0)
            return ScratchFile(descriptor, scratchPath);
        if (createError != EEXIST)
            break;
    }
    failed.push_back({m_folder.empty() ? std::string(".") : m_folder, createError});
    // A read-only application folder (an installed program) still gets its check.
    return TempScratchFactory().create(chart, failed);
}

} // namespace quillet
