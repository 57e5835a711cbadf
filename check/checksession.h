#pragma once

#include "eventpump.h"
#include "loglines.h"
#include "messagesink.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace quillet {

class CheckView;

// One window's checks, and every rule a window follows while one runs: no nested run (the button
// is disabled), log lines batched between pumps, events pumped by the clock, a run abandoned when
// a new chart is chosen, the log is cleared or the window closes, and no message after that.
class CheckSession : private MessageSink, private EventPump
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

    bool isChecking() const { return m_checking; }
    /// The log's lines, held once for every view.
    const LogLines &log() const { return m_log; }
    /// The log as text: each line followed by CR LF.
    std::string logText() const { return m_log.text(0, m_log.size()); }

    /// Where "tmp.sm" goes from the next check on.
    void setScratchFolder(std::string folder) { m_scratchFolder = std::move(folder); }
    /// How long a check reads before the window handles its events.
    void setPumpInterval(std::chrono::milliseconds interval) { m_pumpInterval = interval; }

private:
    void addMessage(std::string_view message) override;
    bool processEvents() override;
    void showNewLines();

    CheckView &m_view;
    std::string m_scratchFolder;
    LogLines m_log;
    std::size_t m_shownLines = 0; // lines the view has been told of
    std::chrono::milliseconds m_pumpInterval {10};
    std::chrono::steady_clock::time_point m_lastPump;
    bool m_checking = false;
    bool m_abandoned = false;
};

} // namespace quillet
