#pragma once

#include "loglines.h"

#include <chrono>
#include <string>
#include <string_view>

namespace quillet {

class CheckView;

// One window's checks, and every rule a window follows while one runs: no nested run (the button
// is disabled), log lines batched between pumps, events pumped by the clock, a run abandoned when
// a new chart is chosen, the log is cleared or the window closes, and no message after that.
class CheckSession
{
public:
    /// scratchFolder: where "tmp.sm" goes (the application's folder).
    CheckSession(CheckView &view, std::string scratchFolder);

    /// Checks the chart at path, taken verbatim (bytes as the system's file calls take them).
    /// Refused (returns at once) while a check runs.
    void check(const std::string &path);
    /// A chart was chosen: empties the log, abandoning a check under way.
    void chartChosen();
    /// Empties the log, abandoning a check under way.
    void clearLog();
    /// The window is closing, or the program was asked to quit: a check under way is abandoned
    /// at its next pump (its scratch deleted) and logs nothing more.
    void close();

    /// Adds message as the log's newest line (shown at once when no check runs).
    void appendLog(std::string_view message);

    bool isChecking() const;
    /// The log's lines, held once for every view.
    const LogLines &log() const;
    /// The log as text: each line followed by CR LF.
    std::string logText() const;

    /// How long a check reads before the window handles its events.
    void setPumpInterval(std::chrono::milliseconds interval);

private:
    // Left to the implementation.
};

} // namespace quillet
