#include "menddiff.h"

#include "lineoutput.h"

#include <utility>

namespace quillet {

namespace {

constexpr std::size_t contextSize = 3;

} // namespace

MendDiff::MendDiff(LineOutput &output, std::string path)
    : m_output(output)
    , m_path(std::move(path))
{ }

void MendDiff::keep(std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        const std::size_t size = lf == bytes.npos ? bytes.size() : lf + 1;
        m_old.append(bytes.substr(0, size));
        m_new.append(bytes.substr(0, size));
        bytes.remove_prefix(size);
        if (lf == std::string_view::npos)
            break;
        if (m_dirty) {
            m_removed.push_back(std::move(m_old));
            m_added.push_back(std::move(m_new));
            m_old.clear();
            m_new.clear();
            m_dirty = false;
        } else {
            changeLines();
            std::string line = std::move(m_old);
            m_old.clear();
            m_new.clear();
            contextLine(std::move(line));
        }
    }
}

void MendDiff::drop(std::string_view line)
{
    m_dirty = true;
    m_old.append(line);
    if (line.ends_with('\n'))
        sideEnds(m_old, m_removed);
}

void MendDiff::add(std::string_view line)
{
    m_dirty = true;
    m_new.append(line);
    if (line.ends_with('\n'))
        sideEnds(m_new, m_added);
}

void MendDiff::sideEnds(std::string &side, std::vector<std::string> &changed)
{
    changed.push_back(std::move(side));
    side.clear();
    // Both sides at a line start again: what is kept from here is shared.
    if (m_old.empty() && m_new.empty())
        m_dirty = false;
}

void MendDiff::finish()
{
    // The last lines, without an LF.
    if (!m_dirty && !m_old.empty()) {
        changeLines();
        contextLine(std::move(m_old));
    } else {
        if (!m_old.empty())
            m_removed.push_back(std::move(m_old));
        if (!m_new.empty())
            m_added.push_back(std::move(m_new));
        changeLines();
    }
    m_old.clear();
    m_new.clear();
    if (m_inHunk)
        closeHunk(std::min(m_context.size(), contextSize));
}

void MendDiff::contextLine(std::string &&line)
{
    m_context.push_back(std::move(line));
    if (!m_inHunk) {
        if (m_context.size() > contextSize) {
            m_context.pop_front();
            ++m_oldLines;
            ++m_newLines;
        }
    } else if (m_context.size() > 2 * contextSize) {
        closeHunk(contextSize);
        // What stays is the context before the next hunk.
        while (m_context.size() > contextSize) {
            m_context.pop_front();
            ++m_oldLines;
            ++m_newLines;
        }
    }
}

void MendDiff::changeLines()
{
    if (m_removed.empty() && m_added.empty())
        return;
    if (!m_inHunk) {
        m_inHunk = true;
        m_hunkOld = m_oldLines + 1;
        m_hunkNew = m_newLines + 1;
        m_hunkOldCount = m_hunkNewCount = 0;
    }
    for (const std::string &line : m_context) {
        bodyLine(' ', line);
        ++m_hunkOldCount;
        ++m_hunkNewCount;
    }
    m_oldLines += m_context.size() + m_removed.size();
    m_newLines += m_context.size() + m_added.size();
    m_context.clear();
    for (const std::string &line : m_removed)
        bodyLine('-', line);
    for (const std::string &line : m_added)
        bodyLine('+', line);
    m_hunkOldCount += m_removed.size();
    m_hunkNewCount += m_added.size();
    m_removed.clear();
    m_added.clear();
}

void MendDiff::bodyLine(char mark, const std::string &line)
{
    m_hunk += mark;
    m_hunk += line;
    if (!line.ends_with('\n'))
        m_hunk += "\n\\ No newline at end of file\n";
}

void MendDiff::closeHunk(std::size_t contextKept)
{
    for (std::size_t i = 0; i < contextKept; ++i) {
        bodyLine(' ', m_context.front());
        m_context.pop_front();
        ++m_hunkOldCount;
        ++m_hunkNewCount;
        ++m_oldLines;
        ++m_newLines;
    }
    if (!m_headerDone) {
        m_output.writeLine("--- ", m_path, "\n");
        m_output.writeLine("+++ ", m_path, "\n");
        m_headerDone = true;
    }
    // An empty side names the line before it, as diff does.
    const auto range = [](std::uint64_t first, std::uint64_t count) {
        return std::to_string(count == 0 ? first - 1 : first) + "," + std::to_string(count);
    };
    m_output.writeLine(
        "@@ -" + range(m_hunkOld, m_hunkOldCount) + " +" + range(m_hunkNew, m_hunkNewCount) + " @@",
        "", "\n");
    m_output.append(m_hunk);
    m_output.endLine();
    m_hunk.clear();
    m_inHunk = false;
}

} // namespace quillet
