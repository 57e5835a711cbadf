#pragma once

#include <cstdint>
#include <string_view>

namespace quillet {

// Where a check run sends its log messages, one line each, without a line end.
class MessageSink
{
public:
    virtual ~MessageSink() = default;

    /// Receives one log message; the run goes on once it returns.
    virtual void addMessage(std::string_view message) = 0;
    /// The two messages of a measure of a wrong size: the beat at its end, then its rows. A chart
    /// can have a million: a sink may make them its own way, or skip them when it drops them.
    virtual void addMeasureMessages(std::uint64_t beat, std::uint64_t rows);
};

} // namespace quillet
