#include "tempscratchfactory.h"

#include "fileio.h"

namespace quillet {

ScratchFile TempScratchFactory::create(int, std::vector<ScratchAttempt> &failed)
{
    const std::string folder = m_folder.empty() ? fileio::temporaryFolder() : m_folder;
    int error = 0;
    const int descriptor = fileio::createAnonymous(folder, error);
    if (descriptor >= 0)
        return ScratchFile(descriptor, {});
    failed.push_back({folder, error});
    return {};
}

} // namespace quillet
