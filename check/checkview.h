#pragma once

#include <cstddef>

namespace quillet {

// What a window offers its check session: the session owns the rules and the log, the view only
// shows them. Every call comes on the window's one thread.
class CheckView
{
public:
    virtual ~CheckView() = default;

    /// The session's log has grown to lineCount lines (batched: many lines per call); show them
    /// and bring the newest into view.
    virtual void logAppended(std::size_t lineCount) = 0;
    /// The session's log was emptied.
    virtual void logCleared() = 0;
    /// Enables or disables the "Check file" button (disabled while a check runs).
    virtual void setCheckEnabled(bool enabled) = 0;
    /// Handles the window's pending events (repaint, input); may call back into the session.
    virtual void processEvents() = 0;
};

} // namespace quillet
