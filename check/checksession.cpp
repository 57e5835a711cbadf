#include "checksession.h"

#include "checkrun.h"
#include "checkview.h"
#include "folderscratchfactory.h"
#include "tempscratchfactory.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace quillet {

CheckSession::CheckSession(CheckView &view, std::string scratchFolder)
    : m_view(view)
    , m_scratchFolder(std::move(scratchFolder))
{ }

void CheckSession::check(const std::string &path)
{
    // A nested check would truncate the scratch file that this one is still reading.
    if (m_checking)
        return;
    m_checking = true;
    m_abandoned = false;
    m_view.setCheckEnabled(false);

    FolderScratchFactory folderScratch(m_scratchFolder);
    TempScratchFactory privateScratch;
    // A chart saved as tmp.sm in the scratch folder (or linked there) would be removed to make
    // room for its own scratch copy.
    std::error_code sameError;
    const bool chartIsScratch
        = std::filesystem::equivalent(path, folderScratch.path(), sameError) && !sameError;
    ScratchFactory &scratch = chartIsScratch ? static_cast<ScratchFactory &>(privateScratch)
                                             : static_cast<ScratchFactory &>(folderScratch);
    CheckRun run(*this, scratch, this);
    m_lastPump = std::chrono::steady_clock::now();
    // Every outcome, a failure included, has already been reported in the log by the run.
    static_cast<void>(run.run(path));
    if (!m_abandoned)
        showNewLines();

    m_checking = false;
    m_view.setCheckEnabled(true);
}

void CheckSession::chartChosen()
{
    clearLog();
}

void CheckSession::clearLog()
{
    if (m_checking)
        m_abandoned = true;
    m_log.clear();
    m_shownLines = 0;
    m_view.logCleared();
}

void CheckSession::close()
{
    // The run unwinds at its next pump, deleting its scratch file.
    if (m_checking)
        m_abandoned = true;
}

void CheckSession::appendLog(std::string_view message)
{
    m_log.append(message);
    // During a check the lines are batched up to the next pump.
    if (!m_checking)
        showNewLines();
}

void CheckSession::addMessage(std::string_view message)
{
    if (!m_abandoned)
        appendLog(message);
}

bool CheckSession::processEvents()
{
    if (m_abandoned)
        return false;
    // Handling events costs microseconds and a chart has millions of lines, so only by the clock.
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastPump < m_pumpInterval)
        return true;
    showNewLines();
    m_view.processEvents();
    m_lastPump = std::chrono::steady_clock::now();
    return !m_abandoned;
}

void CheckSession::showNewLines()
{
    if (m_log.size() == m_shownLines)
        return;
    m_shownLines = m_log.size();
    m_view.logAppended(m_shownLines);
}

} // namespace quillet
