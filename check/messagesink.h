#pragma once

#include <string_view>

namespace quillet {

// Where a check run sends its log messages, one line each, without a line end.
class MessageSink
{
public:
    virtual ~MessageSink() = default;

    /// Receives one log message; the run goes on once it returns.
    virtual void addMessage(std::string_view message) = 0;
    /// False when the messages of each faulty measure are thrown away: the scan then does not
    /// make them. The run's other messages come all the same.
    virtual bool wantsMeasureMessages() const { return true; }
};

} // namespace quillet
