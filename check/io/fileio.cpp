// The parts of fileio.h that are the same on every platform.
#include "fileio.h"

#include "chartreader.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>

namespace quillet::fileio {

std::string freshName()
{
    // Only hard to guess: the exclusive creation itself is what makes the file safe.
    thread_local std::mt19937_64 random = [] {
        std::random_device device;
        return std::mt19937_64((std::uint64_t(device()) << 32)
            ^ std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    }();
    char name[40];
    std::snprintf(
        name, sizeof name, "quillet-%016llx.sm", static_cast<unsigned long long>(random()));
    return name;
}

} // namespace quillet::fileio

namespace quillet {

long long DescriptorReader::read(char *data, std::size_t size, int &error)
{
    return fileio::readSome(m_descriptor, data, size, error);
}

} // namespace quillet
