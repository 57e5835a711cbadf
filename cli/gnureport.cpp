#include "gnureport.h"

#include "checkfailure.h"
#include "lineoutput.h"

#include <algorithm>
#include <charconv>

namespace {

// What a measure of this size usually is.
std::string_view sizeHint(std::uint64_t rows)
{
    switch (rows) {
    case 0:
        return "an empty measure";
    case 32:
    case 64:
        return "32nd or 64th notes";
    case 96:
    case 192:
        return "off-grid or custom snaps saved by an editor";
    default:
        return {};
    }
}

} // namespace

void GnuReport::blockBegins(std::uint64_t number, std::string_view name)
{
    if (m_options.everyChart)
        m_block = blockLabel(number, name) + ": ";
}

void GnuReport::measureProblem(const quillet::MeasureProblem &problem)
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
    m_output.append(m_name);
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
    text("; accepted sizes are 4, 8, 12, 16, 24 and 48");
    if (problem.blankRows > 0) {
        text(" (");
        number(problem.blankRows);
        text(problem.blankRows == 1 ? " of them is a blank line)" : " of them are blank lines)");
    } else if (const std::string_view hint = sizeHint(problem.rows); !hint.empty()) {
        text(" (");
        text(hint);
        text(")");
    }
    text(m_end);
    send();
    m_output.endLine();
}

void GnuReport::endBlock(const quillet::CheckResult &result)
{
    if (result.outcome == quillet::CheckOutcome::Incorrect) {
        m_output.writeLine(m_name, ":1: incorrect: " + quillet::failureReason(result), m_end);
    } else if (result.outcome != quillet::CheckOutcome::Ok
        && result.failure != quillet::CheckFailure::None) {
        m_output.writeLine(
            m_name, ": " + m_block + "cannot check: " + quillet::failureReason(result), m_end);
    }
    m_block.clear();
}
