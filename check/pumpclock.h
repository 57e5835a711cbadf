#pragma once

#include "eventpump.h"

#include <cstdint>

namespace quillet {

// Counts lines and calls the pump at the start of a pass and then every linesPerPump lines.
class PumpClock
{
public:
    /// pump may be null: the run is then never abandoned.
    explicit PumpClock(EventPump *pump)
        : m_pump(pump)
    { }

    /// Pumps now; false when the run is to be abandoned.
    bool pumpNow()
    {
        m_abandoned = m_pump != nullptr && !m_pump->processEvents();
        return !m_abandoned;
    }
    /// Counts lines read, pumping when a multiple of linesPerPump is passed; false to abandon.
    bool count(std::uint64_t lines)
    {
        m_lines += lines;
        if (m_lines < m_nextPump)
            return true;
        m_nextPump = (m_lines / EventPump::linesPerPump + 1) * EventPump::linesPerPump;
        return pumpNow();
    }
    /// True once the pump asked to stop.
    bool isAbandoned() const { return m_abandoned; }

private:
    EventPump *m_pump;
    std::uint64_t m_lines = 0;
    std::uint64_t m_nextPump = EventPump::linesPerPump;
    bool m_abandoned = false;
};

} // namespace quillet
