#pragma once

#include <cstdint>

namespace quillet {

// Lets the front end keep itself responsive, or abandon the run, while a check reads.
class EventPump
{
public:
    // A run pumps at the start of each pass and then once every this many lines: calling out per
    // line would cost more than finding the line does.
    static constexpr std::uint64_t linesPerPump = 4096;

    virtual ~EventPump() = default;

    /// Processes pending events; returns false to abandon the run (no verdict, scratch deleted).
    virtual bool processEvents() = 0;
};

} // namespace quillet
