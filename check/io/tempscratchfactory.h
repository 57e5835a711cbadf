#pragma once

#include "scratchfactory.h"

#include <string>
#include <utility>

namespace quillet {

// A private file with no name in the system's temporary folder: nothing is left of it however
// the program ends.
class TempScratchFactory : public ScratchFactory
{
public:
    /// Uses folder instead of the system's temporary folder when it is not empty.
    explicit TempScratchFactory(std::string folder = {})
        : m_folder(std::move(folder))
    { }

    ScratchFile create(int chart, std::vector<ScratchAttempt> &failed) override;

private:
    std::string m_folder;
};

} // namespace quillet
