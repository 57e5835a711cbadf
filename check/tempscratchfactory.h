#pragma once

#include "scratchfactory.h"

#include <string>

namespace quillet {

// A private file of a unique name in the system's temporary folder.
class TempScratchFactory : public ScratchFactory
{
public:
    /// Uses folder instead of the system's temporary folder when it is not empty.
    explicit TempScratchFactory(std::string folder = {});

    ScratchFile create(std::vector<ScratchAttempt> &failed) override;

private:
    std::string m_folder;
};

} // namespace quillet
