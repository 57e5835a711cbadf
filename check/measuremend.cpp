#include "measuremend.h"

#include "chartrules.h"

namespace quillet {

namespace {

// The line that begins at p, read in one pass: its notes are a few bytes, and a measure's lines
// are many. Sets next to where the following line begins.
MeasureLine readMeasureLine(const char *p, const char *end, const char *&next)
{
    MeasureLine line;
    const char *q = p;
    if (rules::lineClass(*p) == rules::LineClass::Skipped) {
        line.kind = MeasureLine::Kind::Skipped;
        q = findLineEnd(p, end);
    } else {
        // The notes are the bytes before a "//" comment, spaces and tabs around them aside.
        const char *first = nullptr;
        const char *last = nullptr;
        bool gap = false; // a space or tab after the first note byte
        // Most rows are note bytes and their line end alone: a tight loop takes the notes.
        const auto isNote
            = [](char c) { return static_cast<unsigned char>(c) > ' ' && c != '/'; };
        bool isNotZero = false;
        for (; q != end && isNote(*q); ++q)
            isNotZero |= *q != '0';
        line.isPinned = isNotZero;
        if (q != p) {
            first = p;
            last = q - 1;
        }
        for (; q != end; ++q) {
            const char c = *q;
            if (c == '\r' || c == '\n')
                break;
            if (c == '/' && q + 1 != end && q[1] == '/') {
                line.isPinned = true;
                q = findLineEnd(q, end);
                break;
            }
            if (c == ' ' || c == '\t') {
                gap = first != nullptr;
                continue;
            }
            first = first != nullptr ? first : q;
            line.isPinned = line.isPinned || c != '0' || gap;
            last = q;
        }
        if (first != nullptr || line.isPinned) {
            line.kind = MeasureLine::Kind::Content;
            line.width = first != nullptr ? std::size_t(last - first + 1) : 0;
        }
    }
    if (q != end)
        q += *q == '\r' && q + 1 != end && q[1] == '\n' ? 2 : 1;
    line.text = std::string_view(p, std::size_t(q - p));
    next = q;
    return line;
}

// The smallest accepted size whose grid has a place at the time i / contentRows of every pinned
// row, 0 when none has.
std::uint64_t smallestHoldingSize(const std::vector<MeasureLine> &lines, std::uint64_t contentRows)
{
    for (const std::uint64_t size : rules::acceptedSizes) {
        std::uint64_t index = 0;
        bool holds = true;
        for (const MeasureLine &line : lines) {
            if (line.kind != MeasureLine::Kind::Content)
                continue;
            if (line.isPinned && index * size % contentRows != 0) {
                holds = false;
                break;
            }
            ++index;
        }
        if (holds)
            return size;
    }
    return 0;
}

const MeasureLine *firstContentRow(const std::vector<MeasureLine> &lines)
{
    for (const MeasureLine &line : lines) {
        if (line.kind == MeasureLine::Kind::Content)
            return &line;
    }
    return nullptr;
}

} // namespace

void readMeasureLines(std::string_view bytes, std::vector<MeasureLine> &lines)
{
    lines.clear();
    const char *const end = bytes.data() + bytes.size();
    for (const char *p = bytes.data(); p != end;)
        lines.push_back(readMeasureLine(p, end, p));
}

void decideMend(const std::vector<MeasureLine> &lines, MeasureMend &mend)
{
    mend.kind = MendKind::NoContent;
    mend.newRows = mend.rows;
    mend.blankRows = 0;
    std::uint64_t contentRows = 0;
    const MeasureLine *const firstRow = firstContentRow(lines);
    bool skippedAfterContent = false;
    for (const MeasureLine &line : lines) {
        if (line.kind == MeasureLine::Kind::Skipped) {
            skippedAfterContent = contentRows > 0;
        } else if (line.kind == MeasureLine::Kind::Blank) {
            ++mend.blankRows;
        } else {
            if (line.width != firstRow->width)
                mend.kind = MendKind::UnequalWidths;
            else if (skippedAfterContent && mend.kind == MendKind::NoContent)
                mend.kind = MendKind::SkippedLineBetween;
            ++contentRows;
        }
    }
    if (firstRow != nullptr && mend.kind == MendKind::NoContent) {
        if (rules::isAcceptedSize(contentRows)) {
            mend.kind = MendKind::BlankRowsDropped;
            mend.newRows = contentRows;
        } else if (const std::uint64_t size = smallestHoldingSize(lines, contentRows); size > 0) {
            mend.kind = MendKind::Regridded;
            mend.newRows = size;
        } else {
            mend.kind = MendKind::NoSizeHolds;
        }
    }
    if (!mend.isMended())
        mend.blankRows = 0;
}

void writeMend(const std::vector<MeasureLine> &lines, const MeasureMend &mend, MendOutput &output)
{
    const MeasureLine *const firstRow = firstContentRow(lines);
    const std::uint64_t size = mend.newRows;
    const auto contentRows = std::uint64_t(std::count_if(lines.begin(), lines.end(),
        [](const MeasureLine &line) { return line.kind == MeasureLine::Kind::Content; }));
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
                output.keep({keptBegin, std::size_t(keptEnd - keptBegin)});
            keptBegin = text.data();
        }
        keptEnd = text.data() + text.size();
    };
    const auto change = [&](bool isAdded, std::string_view text) {
        if (keptBegin != keptEnd)
            output.keep({keptBegin, std::size_t(keptEnd - keptBegin)});
        keptBegin = keptEnd = nullptr;
        if (isAdded)
            output.add(text);
        else
            output.drop(text);
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

} // namespace quillet
