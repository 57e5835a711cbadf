#include "mend.h"

#include "chartreader.h"
#include "chartrules.h"
#include "fileio.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

namespace quillet {

namespace {

// Real measures are a few kilobytes; one larger than this goes out as it is, so that a chart
// with no measure end is never held whole.
constexpr std::size_t maxHeldMeasure = std::size_t(1) << 20;
constexpr std::size_t readSize = std::size_t(1) << 18;

bool isNotesTag(std::string_view line)
{
    constexpr std::string_view tag = "#NOTES";
    if (line.size() < tag.size())
        return false;
    for (std::size_t i = 0; i < tag.size(); ++i) {
        const char c = line[i];
        if ((c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c) != tag[i])
            return false;
    }
    return true;
}

bool isSkippedLine(char first)
{
    return first == '#' || first == '/' || first == ' ';
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t';
}

// The first CR or LF in [p, end), or end. Lines are short: eight bytes at a time in a plain
// word beat a library call, whose setup costs more than a row.
const char *findLineEnd(const char *p, const char *end)
{
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = 0x8080808080808080u;
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        // A high bit for each byte below 0x0E (CR, LF, tab...) at least up to the first one.
        const std::uint64_t below = (word - ones * 0x0E) & ~word & highs;
        if (below == 0) {
            p += 8;
            continue;
        }
        const char *const at = p + std::countr_zero(below) / 8;
        if (*at == '\n' || *at == '\r')
            return at;
        p = at + 1;
    }
    for (; p != end; ++p) {
        if (*p == '\n' || *p == '\r')
            break;
    }
    return p;
}

// Where the line that begins at from in text ends, its line end included.
std::size_t lineEndAfter(std::string_view text, std::size_t from)
{
    const char *const begin = text.data();
    const char *const end = begin + text.size();
    const char *p = findLineEnd(begin + from, end);
    if (p != end)
        p += *p == '\r' && p + 1 != end && p[1] == '\n' ? 2 : 1;
    return std::size_t(p - begin);
}

// A line of a faulty measure, as the mend sees it.
struct MeasureLine
{
    enum class Kind { Skipped, Blank, Content };

    std::string_view text; // with its line end
    Kind kind = Kind::Blank;
    std::size_t width = 0; // of its notes: the row without a trailing comment and outer blanks
    bool isPinned = false; // holds a note or a comment, so it must keep its time
};

MeasureLine readMeasureLine(std::string_view text)
{
    MeasureLine line;
    line.text = text;
    std::string_view body(text.data(),
        std::size_t(findLineEnd(text.data(), text.data() + text.size()) - text.data()));
    if (!body.empty() && isSkippedLine(body[0])) {
        line.kind = MeasureLine::Kind::Skipped;
        return line;
    }
    const std::size_t comment = body.find("//");
    line.isPinned = comment != body.npos;
    body = body.substr(0, comment);
    while (!body.empty() && isSpace(body.back()))
        body.remove_suffix(1);
    while (!body.empty() && isSpace(body.front()))
        body.remove_prefix(1);
    if (body.empty() && !line.isPinned)
        return line;
    line.kind = MeasureLine::Kind::Content;
    line.width = body.size();
    line.isPinned = line.isPinned || body.find_first_not_of('0') != body.npos;
    return line;
}

} // namespace

Mender::Mender(MendOutput &output, bool everyBlock)
    : m_output(output)
    , m_everyBlock(everyBlock)
{ }

void Mender::feed(const char *data, std::size_t size)
{
    const char *p = data;
    const char *const end = data + size;
    if (p == end)
        return;
    if (!m_partial.empty()) {
        // Finish the line the last bytes cut: a CR there may have an LF here.
        if (m_partial.back() == '\r') {
            if (*p == '\n')
                m_partial += *p++;
        } else {
            const char *lineEnd = findLineEnd(p, end);
            if (lineEnd == end || (*lineEnd == '\r' && lineEnd + 1 == end)) {
                m_partial.append(p, end);
                return;
            }
            lineEnd += *lineEnd == '\r' && lineEnd[1] == '\n' ? 2 : 1;
            m_partial.append(p, lineEnd);
            p = lineEnd;
        }
        line(m_partial);
        settle();
        m_partial.clear();
    }
    while (p != end) {
        if (m_state == State::Done) {
            // Past the blocks mended: the rest goes through without a look at its lines.
            keepLine({p, std::size_t(end - p)});
            break;
        }
        if (m_state == State::Block && !m_tooLong && (m_heldEnd == p || m_heldBegin == nullptr)) {
            p = holdRows(p, end);
            if (p == end)
                break;
        }
        const char *lineEnd = findLineEnd(p, end);
        if (lineEnd == end || (*lineEnd == '\r' && lineEnd + 1 == end)) {
            m_partial.assign(p, end);
            break;
        }
        lineEnd += *lineEnd == '\r' && lineEnd[1] == '\n' ? 2 : 1;
        line({p, std::size_t(lineEnd - p)});
        p = lineEnd;
    }
    settle();
}

const char *Mender::holdRows(const char *p, const char *end)
{
    // Most lines are rows of a block that go on the measure held in these bytes: counted here
    // in locals, which writes to the bytes' type could otherwise alias.
    const char *const begin = p;
    std::uint64_t lines = 0;
    std::uint64_t rows = 0;
    while (p != end && *p != ',' && *p != ';') {
        const char *lineEnd = findLineEnd(p, end);
        if (lineEnd == end || (*lineEnd == '\r' && lineEnd + 1 == end))
            break;
        lineEnd += *lineEnd == '\r' && lineEnd[1] == '\n' ? 2 : 1;
        ++lines;
        rows += !isSkippedLine(*p);
        p = lineEnd;
    }
    if (p != begin) {
        m_line += lines;
        m_rows += rows;
        if (m_heldBegin == nullptr)
            m_heldBegin = begin;
        m_heldEnd = p;
    }
    return p;
}

void Mender::finish()
{
    if (!m_partial.empty()) {
        line(m_partial);
        settle();
        m_partial.clear();
    }
    // A measure that no ',' or ';' line ends is not checked, so not mended either.
    if (m_state == State::Block && !m_measure.empty()) {
        flushKept();
        m_output.keep(m_measure);
    }
    m_measure.clear();
    m_rows = 0;
    m_tooLong = false;
    flushKept();
}

int Mender::mendFrom(int descriptor)
{
    DescriptorReader reader(descriptor);
    return mendFrom(reader);
}

int Mender::mendFrom(ChartReader &reader)
{
    const std::unique_ptr<char[]> buffer(new char[readSize]);
    for (;;) {
        int error = fileio::noError;
        const long long count = reader.read(buffer.get(), readSize, error);
        if (count < 0)
            return error;
        if (count == 0)
            break;
        feed(buffer.get(), std::size_t(count));
    }
    finish();
    return fileio::noError;
}

void Mender::line(std::string_view text)
{
    ++m_line;
    switch (m_state) {
    case State::First:
        // A chart whose first line does not begin with '#' is incorrect, and not mended.
        if (text[0] != '#') {
            m_state = State::Done;
            keepLine(text);
            return;
        }
        m_state = State::Header;
        [[fallthrough]];
    case State::Header:
        keepLine(text);
        if (isNotesTag(text))
            m_state = State::Block;
        return;
    case State::Block:
        blockLine(text);
        return;
    case State::Done:
        keepLine(text);
        return;
    }
}

void Mender::blockLine(std::string_view text)
{
    const char first = text[0];
    if (first == ',' || first == ';') {
        measureEnds();
        keepLine(text);
        if (first == ';')
            m_state = m_everyBlock ? State::Header : State::Done;
        return;
    }
    if (!isSkippedLine(first))
        ++m_rows;
    holdLine(text);
}

void Mender::holdLine(std::string_view text)
{
    if (m_tooLong) {
        keepLine(text);
        return;
    }
    if (m_heldEnd != nullptr && m_heldEnd == text.data()) {
        m_heldEnd += text.size();
        return;
    }
    m_measure.append(m_heldBegin, m_heldEnd);
    m_heldBegin = text.data();
    m_heldEnd = text.data() + text.size();
    if (m_measure.size() > maxHeldMeasure) {
        flushKept();
        m_output.keep(m_measure);
        m_measure.clear();
        m_tooLong = true;
        m_heldBegin = m_heldEnd = nullptr;
        keepLine(text);
    }
}

void Mender::keepLine(std::string_view text)
{
    if (m_keptEnd != nullptr && m_keptEnd == text.data()) {
        m_keptEnd += text.size();
        return;
    }
    flushKept();
    m_keptBegin = text.data();
    m_keptEnd = text.data() + text.size();
}

void Mender::flushKept()
{
    if (m_keptBegin != m_keptEnd)
        m_output.keep({m_keptBegin, std::size_t(m_keptEnd - m_keptBegin)});
    m_keptBegin = m_keptEnd = nullptr;
}

void Mender::settle()
{
    flushKept();
    if (m_heldBegin == m_heldEnd)
        return;
    m_measure.append(m_heldBegin, m_heldEnd);
    m_heldBegin = m_heldEnd = nullptr;
    if (m_measure.size() > maxHeldMeasure) {
        m_output.keep(m_measure);
        m_measure.clear();
        m_tooLong = true;
    }
}

void Mender::measureEnds()
{
    const std::string_view held(m_heldBegin, std::size_t(m_heldEnd - m_heldBegin));
    if (m_tooLong) {
        if (!rules::isAcceptedSize(m_rows)) {
            MeasureMend mend {m_line, m_rows, MendKind::TooLong, m_rows};
            report(mend);
        }
    } else if (rules::isAcceptedSize(m_rows)) {
        if (m_measure.empty()) {
            if (!held.empty())
                keepLine(held);
        } else {
            flushKept();
            m_measure.append(held);
            m_output.keep(m_measure);
        }
    } else {
        flushKept();
        if (m_measure.empty()) {
            mendMeasure(held);
        } else {
            m_measure.append(held);
            mendMeasure(m_measure);
        }
    }
    m_measure.clear();
    m_heldBegin = m_heldEnd = nullptr;
    m_rows = 0;
    m_tooLong = false;
}

void Mender::mendMeasure(std::string_view bytes)
{
    // Kept from one measure to the next: charts have many.
    thread_local std::vector<MeasureLine> lines;
    lines.clear();
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t next = lineEndAfter(bytes, at);
        lines.push_back(readMeasureLine(bytes.substr(at, next - at)));
        at = next;
    }

    MeasureMend mend {m_line, m_rows, MendKind::NoContent, m_rows};
    std::uint64_t contentRows = 0;
    const MeasureLine *firstRow = nullptr;
    bool skippedAfterContent = false;
    for (const MeasureLine &line : lines) {
        if (line.kind == MeasureLine::Kind::Skipped) {
            skippedAfterContent = contentRows > 0;
        } else if (line.kind == MeasureLine::Kind::Blank) {
            ++mend.blankRows;
        } else {
            if (firstRow == nullptr)
                firstRow = &line;
            if (line.width != firstRow->width)
                mend.kind = MendKind::UnequalWidths;
            else if (skippedAfterContent && mend.kind == MendKind::NoContent)
                mend.kind = MendKind::SkippedLineBetween;
            ++contentRows;
        }
    }
    std::uint64_t size = 0;
    if (firstRow != nullptr && mend.kind == MendKind::NoContent) {
        if (rules::isAcceptedSize(contentRows)) {
            mend.kind = MendKind::BlankRowsDropped;
            size = contentRows;
        } else {
            // The smallest size whose grid has a place at every pinned row's time i / rows.
            for (const std::uint64_t candidate : rules::acceptedSizes) {
                std::uint64_t index = 0;
                bool holds = true;
                for (const MeasureLine &line : lines) {
                    if (line.kind != MeasureLine::Kind::Content)
                        continue;
                    holds = holds && (!line.isPinned || index * candidate % contentRows == 0);
                    ++index;
                }
                if (holds) {
                    size = candidate;
                    break;
                }
            }
            mend.kind = size > 0 ? MendKind::Regridded : MendKind::NoSizeHolds;
        }
    }
    if (!mend.isMended()) {
        mend.blankRows = 0;
        report(mend);
        m_output.keep(bytes);
        return;
    }
    mend.newRows = size;
    report(mend);

    // A new row is as wide as the others, and ends as the measure's first row does.
    std::string emptyRow(firstRow->width, '0');
    const std::string_view firstText = firstRow->text;
    emptyRow.append(firstText.substr(std::size_t(
        findLineEnd(firstText.data(), firstText.data() + firstText.size()) - firstText.data())));
    // Lines kept one after the other go out in one piece.
    const char *keptBegin = nullptr;
    const char *keptEnd = nullptr;
    const auto keep = [&](std::string_view text) {
        if (keptEnd != text.data()) {
            if (keptBegin != keptEnd)
                m_output.keep({keptBegin, std::size_t(keptEnd - keptBegin)});
            keptBegin = text.data();
        }
        keptEnd = text.data() + text.size();
    };
    const auto change = [&](bool isAdded, std::string_view text) {
        if (keptBegin != keptEnd)
            m_output.keep({keptBegin, std::size_t(keptEnd - keptBegin)});
        keptBegin = keptEnd = nullptr;
        if (isAdded)
            m_output.add(text);
        else
            m_output.drop(text);
    };
    std::uint64_t index = 0; // of the content row
    std::uint64_t place = 0; // the next row of the mended measure
    for (const MeasureLine &line : lines) {
        if (line.kind == MeasureLine::Kind::Skipped) {
            keep(line.text);
            continue;
        }
        if (line.kind == MeasureLine::Kind::Blank) {
            change(false, line.text);
            continue;
        }
        if (index * size % contentRows == 0) {
            for (const std::uint64_t at = index * size / contentRows; place < at; ++place)
                change(true, emptyRow);
            keep(line.text);
            ++place;
        } else {
            change(false, line.text);
        }
        if (++index == contentRows) {
            for (; place < size; ++place)
                change(true, emptyRow);
        }
    }
    keep({}); // the last kept piece goes out
}

void Mender::report(MeasureMend &mend)
{
    ++m_faulty;
    if (mend.isMended())
        ++m_mended;
    m_output.faultyMeasure(mend);
}

} // namespace quillet
