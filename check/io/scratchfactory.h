#pragma once

#include "scratchfile.h"

#include <string>
#include <vector>

namespace quillet {

// A folder where a scratch file could not be made, and the system's error number that said why.
struct ScratchAttempt
{
    std::string folder;
    int error = 0;
};

// Makes the scratch file of one run, so front ends choose where it goes and tests can make it fail.
class ScratchFactory
{
public:
    virtual ~ScratchFactory() = default;

    /// Returns a fresh, empty scratch file open for reading and writing, never the file open at
    /// chart (the chart's descriptor). When it returns none, failed holds each folder tried, in
    /// order; it may also hold folders tried before one worked.
    virtual ScratchFile create(int chart, std::vector<ScratchAttempt> &failed) = 0;
};

} // namespace quillet
