#pragma once

#include "scratchfile.h"

#include <string>
#include <system_error>

namespace quillet {

// Makes the scratch file of one run, so front ends choose where it goes and tests can make it fail.
class ScratchFactory
{
public:
    virtual ~ScratchFactory() = default;

    /// Returns a fresh, empty scratch file open for reading and writing, or sets error.
    virtual ScratchFile create(std::error_code &error) = 0;
};

} // namespace quillet
