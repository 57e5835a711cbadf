#pragma once

#include <cstdint>

namespace quillet {

// How a check run ended. Only Ok and Problems are verdicts on a fully scanned chart.
enum class CheckOutcome {
    Ok, // every measure has an accepted size
    Problems, // at least one measure has not
    Incorrect, // the chart does not start with a '#' line, or is not a readable file
    CouldNotCheck, // the scratch file or the chart failed part-way: no verdict
    Abandoned, // the event pump asked to stop: no verdict
};

struct CheckResult
{
    CheckOutcome outcome = CheckOutcome::Ok;
    std::uint64_t problems = 0;
    int error = 0; // the system's error number behind CouldNotCheck, or an unopenable chart
    bool notRegularFile = false; // Incorrect because the path names a folder, FIFO or device
};

} // namespace quillet
