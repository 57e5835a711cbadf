#include "report.h"

#include "checkfailure.h"
#include "lineoutput.h"
#include "messages.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <utility>

namespace quillet {

namespace {

constexpr std::string_view outOfMemoryReason = "out of memory";

} // namespace

std::string escapedName(std::string_view name)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            shown += c;
            continue;
        }
        shown += '\\';
        if (byte >= '\a' && byte <= '\r') {
            shown += "abtnvfr"[byte - '\a'];
        } else {
            shown += 'x';
            shown += hex[byte >> 4];
            shown += hex[byte & 15];
        }
    }
    return shown;
}

std::string_view measureHint(const MeasureProblem &problem, char *buffer)
{
    if (problem.blankRows > 0) {
        const std::string_view text
            = problem.blankRows == 1 ? " of them is a blank line" : " of them are blank lines";
        char *out = std::to_chars(buffer, buffer + 20, problem.blankRows).ptr;
        out = std::copy(text.begin(), text.end(), out);
        return {buffer, std::size_t(out - buffer)};
    }
    switch (problem.rows) {
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

Report::Report(const ReportOptions &options, LineOutput &output, Tally &tally)
    : m_options(options)
    , m_output(output)
    , m_end(options.crlf ? "\r\n" : "\n")
    , m_tally(tally)
{ }

void Report::beginChart(std::string name)
{
    m_name = std::move(name);
    m_shownName = escapedName(m_name);
    m_prefix = m_options.prefixed ? m_shownName + ": " : std::string();
}

void Report::blockEnds(const CheckResult &result)
{
    finishBlock(result, failureReason(result));
}

void Report::outOfMemory()
{
    addMessage(std::string(messages::cannotCheck) + std::string(outOfMemoryReason));
    CheckResult result;
    result.outcome = CheckOutcome::CouldNotCheck;
    result.failure = CheckFailure::ChartNotRead;
    result.error = ENOMEM;
    finishBlock(result, outOfMemoryReason);
}

void Report::finishBlock(const CheckResult &result, std::string_view reason)
{
    int status = 2;
    switch (result.outcome) {
    case CheckOutcome::Ok:
        ++m_tally.ok;
        status = 0;
        break;
    case CheckOutcome::Problems:
        ++m_tally.problems;
        status = 1;
        break;
    case CheckOutcome::Incorrect:
        ++m_tally.incorrect;
        status = 1;
        break;
    case CheckOutcome::CouldNotCheck:
    case CheckOutcome::Abandoned:
        ++m_tally.notChecked;
        break;
    }
    if (status > m_tally.status)
        m_tally.status = status;
    endBlock(result, reason);
    if (result.failure != CheckFailure::None)
        m_output.writeError(m_shownName + ": " + std::string(reason));
}

std::string Report::blockLabel(std::uint64_t number, std::string_view name)
{
    return name.empty() ? "chart " + std::to_string(number) : escapedName(name);
}

} // namespace quillet
