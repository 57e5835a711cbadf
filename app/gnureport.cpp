#include "gnureport.h"

#include "checkfailure.h"
#include "lineoutput.h"

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
    const auto number = [this](std::uint64_t value) {
        char digits[24];
        m_line.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    };
    m_line.assign(m_name).append(":");
    number(problem.line);
    m_line.append(": ").append(m_block).append("beat ");
    number(problem.beat);
    m_line.append(": this measure has ");
    number(problem.rows);
    m_line.append(problem.rows == 1 ? " row" : " rows");
    m_line.append("; accepted sizes are 4, 8, 12, 16, 24 and 48");
    if (problem.blankRows > 0) {
        m_line.append(" (");
        number(problem.blankRows);
        m_line.append(
            problem.blankRows == 1 ? " of them is a blank line)" : " of them are blank lines)");
    } else if (const std::string_view hint = sizeHint(problem.rows); !hint.empty()) {
        m_line.append(" (").append(hint).append(")");
    }
    m_output.writeLine({}, m_line, m_end);
}

void GnuReport::endBlock(const quillet::CheckResult &result)
{
    if (result.outcome == quillet::CheckOutcome::Incorrect) {
        m_output.writeLine(m_name, ":1: incorrect: " + quillet::failureReason(result), m_end);
    } else if (result.failure != quillet::CheckFailure::None) {
        m_output.writeLine(
            m_name, ": " + m_block + "cannot check: " + quillet::failureReason(result), m_end);
    }
    m_block.clear();
}
