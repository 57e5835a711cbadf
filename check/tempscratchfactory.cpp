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

ScratchFile TempScratchFactory::create(std::error_code &error)
{
    namespace fs = std::filesystem;
    fs::path folder = m_folder;
    if (folder.empty()) {
        folder = fs::temp_directory_path(error);
        if (error)
            return {};
    }

    // The name only has to be hard to guess; O_EXCL makes the creation itself safe.
    std::random_device device;
    std::mt19937_64 random((std::uint64_t(device()) << 32)
        ^ std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    int lastError = EEXIST;
    for (int attempt = 0; attempt < 100 && lastError == EEXIST; ++attempt) {
        char name[40];
        std::snprintf(
            name, sizeof name, "quillet-%016llx.sm", static_cast<unsigned long long>(random()));
        const std::string path = (folder / name).string();
        const int descriptor = fileio::createExclusive(path, lastError);
        if (descriptor >= 0) {
            error.clear();
            return ScratchFile(descriptor, path);
        }
    }
    error = std::error_code(lastError, std::generic_category());
    return {};
}

} // namespace quillet
