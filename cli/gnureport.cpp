#include "gnureport.h"

#include "chartrules.h"
#include "lineoutput.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace quillet {

void GnuReport::beginChart(std::string name)
{
    // Standard input cannot be read again for the hints.
    m_hints.beginChart(name == "(standard input)" ? std::string() : name, m_options.everyChart);
    Report::beginChart(std::move(name));
}

void GnuReport::blockBegins(std::uint64_t number, std::string_view name)
{
    if (m_options.everyChart)
        m_block = blockLabel(number, name) + ": ";
}

void GnuReport::measureProblem(const MeasureProblem &problem)
{
    // The pieces between the names are made on the stack, each handed over whole: a chart can
    // have a million faulty measures.
    char piece[256];
    char *out = piece;
    const auto text
        = [&out](std::string_view part) { out = std::copy(part.begin(), part.end(), out); };
    const auto number
        = [&out](std::uint64_t value) { out = std::to_chars(out, out + 20, value).ptr; };
    const auto send = [&] {
        m_output.append({piece, std::size_t(out - piece)});
        out = piece;
    };
    m_output.append(m_shownName);
    text(":");
    number(problem.line);
    text(": ");
    send();
    m_output.append(m_block);
    text("beat ");
    number(problem.beat);
    text(": this measure has ");
    number(problem.rows);
    text(problem.rows == 1 ? " row" : " rows");
    static const std::string sizes = "; accepted sizes are " + rules::acceptedSizesText();
    text(sizes);
    char hintBuffer[hintSize];
    if (const MeasureMend *mend = m_hints.find(problem.line)) {
        if (mend->kind == MendKind::BlankRowsDropped) {
            text(" (--fix can drop its ");
            number(mend->blankRows);
            text(mend->blankRows == 1 ? " blank line)" : " blank lines)");
        } else {
            text(" (--fix can write it as ");
            number(mend->newRows);
            text(" rows without moving a note)");
        }
    } else if (const std::string_view hint = measureHint(problem, hintBuffer); !hint.empty()) {
        text(" (");
        text(hint);
        text(")");
    }
    text(m_end);
    send();
    m_output.endLine();
}

void GnuReport::endBlock(const CheckResult &result, std::string_view reason)
{
    if (result.outcome == CheckOutcome::Incorrect) {
        m_output.writeLine(m_shownName, ":1: incorrect: " + std::string(reason), m_end);
    } else if (result.outcome != CheckOutcome::Ok && result.failure != CheckFailure::None) {
        m_output.writeLine(
            m_shownName, ": " + m_block + "cannot check: " + std::string(reason), m_end);
    }
    m_block.clear();
}

} // namespace quillet
