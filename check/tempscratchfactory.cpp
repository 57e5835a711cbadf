#include "tempscratchfactory.h"

#include "fileio.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <utility>

namespace quillet {

TempScratchFactory::TempScratchFactory(std::string folder)
    : m_folder(std::move(folder))
{ }

ScratchFile TempScratchFactory::create(std::vector<ScratchAttempt> &failed)
{
    const std::string folder = m_folder.empty() ? fileio::temporaryFolder() : m_folder;

    // The name only has to be hard to guess; O_EXCL makes the creation itself safe.
    std::random_device device;
    std::mt19937_64 random((std::uint64_t(device()) << 32)
        ^ std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    int lastError = EEXIST;
    for (int attempt = 0; attempt < 100 && lastError == EEXIST; ++attempt) {
        char name[40];
        std::snprintf(
            name, sizeof name, "quillet-%016llx.sm", static_cast<unsigned long long>(random()));
        const std::string path = (std::filesystem::path(folder) / name).string();
        const int descriptor = fileio::createExclusive(path, lastError);
        if (descriptor >= 0)
            return ScratchFile(descriptor, path);
    }
    failed.push_back({folder, lastError});
    return {};
}

} // namespace quillet
