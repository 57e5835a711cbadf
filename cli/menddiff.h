#pragma once

#include "mend.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace quillet {

class LineOutput;

// A mend as a unified diff with 3 lines of context, of the chart's own bytes and line ends, that
// `patch --binary` applies. Its lines are patch's: they end at LF only, so a chart of lone CRs is
// one line.
class MendDiff : public quillet::MendOutput
{
public:
    /// path is what the "---" and "+++" lines name.
    MendDiff(LineOutput &output, std::string path);

    void keep(std::string_view bytes) override;
    void drop(std::string_view line) override;
    void add(std::string_view line) override;
    /// After the mend: the last hunk goes out.
    void finish();

private:
    void contextLine(std::string &&line);
    void changeLines();
    void bodyLine(char mark, const std::string &line);
    void closeHunk(std::size_t contextKept);
    void sideEnds(std::string &side, std::vector<std::string> &changed);

    LineOutput &m_output;
    std::string m_path;
    std::string m_old; // the line under way on each side
    std::string m_new;
    bool m_dirty = false; // the lines under way are not one kept stretch from a shared start
    std::vector<std::string> m_removed; // the change under way
    std::vector<std::string> m_added;
    std::deque<std::string> m_context; // before a hunk, or after its last change
    std::string m_hunk; // its lines so far
    bool m_inHunk = false;
    bool m_headerDone = false;
    std::uint64_t m_oldLines = 0; // lines passed on each side
    std::uint64_t m_newLines = 0;
    std::uint64_t m_hunkOld = 0; // the hunk's first line and count on each side
    std::uint64_t m_hunkNew = 0;
    std::uint64_t m_hunkOldCount = 0;
    std::uint64_t m_hunkNewCount = 0;
};

} // namespace quillet
