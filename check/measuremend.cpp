#include "measuremend.h"

#include "chartrules.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <numeric>

namespace quillet {

namespace {

constexpr std::uint64_t everyByte = 0x0101010101010101;
constexpr std::uint64_t highBits = 0x8080808080808080;

// The high bit of each byte of word from '0' to 0x7F: digits, letters and the like, all of them
// note bytes. Rows of other bytes are rare, and are read byte by byte.
constexpr std::uint64_t commonNotes(std::uint64_t word)
{
    return ((word & ~highBits) + everyByte * (0x80 - '0')) & ~word & highBits;
}

// 0xFF at each of the first count bytes of 16 that fall in word i of two.
constexpr std::uint64_t firstBytes(std::size_t count, std::size_t i)
{
    const std::size_t inWord = std::clamp(count, 8 * i, 8 * i + 8) - 8 * i;
    return inWord == 8 ? ~std::uint64_t(0) : (std::uint64_t(1) << (8 * inWord)) - 1;
}

// Where a row's notes and line end lie in its first 16 bytes, read as two little-endian words:
// most rows of a measure are shaped as the one before.
struct RowShape
{
    std::size_t length = 0; // of the row with its line end; 0 for no shape
    std::size_t width = 0;
    std::array<std::uint64_t, 2> notes {}; // 0xFF at each note byte
    std::array<std::uint64_t, 2> lineEnd {}; // 0xFF at each line end byte
    std::array<std::uint64_t, 2> lineEndBytes {};

    // The shape of line, if it is a row of notes and a line end of LF or CR LF, 16 bytes at most.
    explicit RowShape(const MeasureLine &line)
    {
        const std::string_view text = line.text;
        if (std::endian::native != std::endian::little || line.kind != MeasureLine::Kind::Content
            || line.width == 0 || text.size() > 16 || !text.ends_with('\n')
            || text.size() - line.width != (text.ends_with("\r\n") ? 2 : 1))
            return;
        length = text.size();
        width = line.width;
        std::array<std::uint64_t, 2> bytes {};
        std::memcpy(bytes.data(), text.data(), length);
        for (std::size_t i = 0; i < 2; ++i) {
            notes[i] = firstBytes(width, i);
            lineEnd[i] = firstBytes(length, i) & ~notes[i];
            lineEndBytes[i] = bytes[i] & lineEnd[i];
        }
    }
};

// Reads the rows from p on that have shape, as readAnyLine would, into lines; returns where the
// first other line begins. Rows of eight bytes or fewer, the most, need only one word.
template <bool isWide>
const char *readShapedRows(
    const RowShape &shape, const char *p, const char *end, std::vector<MeasureLine> &lines)
{
    const auto [notes0, notes1] = shape.notes;
    const auto [lineEnd0, lineEnd1] = shape.lineEnd;
    const auto [lineEndBytes0, lineEndBytes1] = shape.lineEndBytes;
    for (; std::size_t(end - p) >= shape.length; p += shape.length) {
        std::array<std::uint64_t, 2> words {};
        constexpr std::size_t loaded = isWide ? 16 : 8;
        if (std::size_t(end - p) >= loaded)
            std::memcpy(words.data(), p, loaded);
        else // the measure's last rows
            std::memcpy(words.data(), p, std::size_t(end - p));
        // A note byte that is not one, or a line end byte that differs.
        std::uint64_t stray = ((commonNotes(words[0]) & notes0) ^ (notes0 & highBits))
            | ((words[0] & lineEnd0) ^ lineEndBytes0);
        std::uint64_t notZero = (words[0] ^ (everyByte * '0')) & notes0;
        if constexpr (isWide) {
            stray |= ((commonNotes(words[1]) & notes1) ^ (notes1 & highBits))
                | ((words[1] & lineEnd1) ^ lineEndBytes1);
            notZero |= (words[1] ^ (everyByte * '0')) & notes1;
        }
        if (stray != 0)
            break;
        lines.push_back({std::string_view(p, shape.length), shape.width, MeasureLine::Kind::Content,
            notZero != 0});
    }
    return p;
}

// The line that begins at p, whatever it holds.
MeasureLine readAnyLine(const char *p, const char *end)
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
        const auto isNote = [](char c) { return static_cast<unsigned char>(c) > ' ' && c != '/'; };
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
    return line;
}

// The smallest accepted size whose grid has a place at the time i / contentRows of every pinned
// row, 0 when none has. Each row has one when contentRows divides i * size, so all have one when
// it divides pinnedGcd * size, pinnedGcd being the greatest common divisor of the pinned rows' i.
std::uint64_t smallestHoldingSize(std::uint64_t pinnedGcd, std::uint64_t contentRows)
{
    for (const std::uint64_t size : rules::acceptedSizes) {
        if (pinnedGcd * size % contentRows == 0)
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
    for (const char *p = bytes.data(); p != end;) {
        const MeasureLine &line = lines.emplace_back(readAnyLine(p, end));
        const RowShape shape(line);
        p += line.text.size();
        if (shape.length > 8)
            p = readShapedRows<true>(shape, p, end, lines);
        else if (shape.length > 0)
            p = readShapedRows<false>(shape, p, end, lines);
    }
}

void decideMend(const std::vector<MeasureLine> &lines, MeasureMend &mend)
{
    mend.kind = MendKind::NoContent;
    mend.newRows = mend.rows;
    mend.blankRows = 0;
    const MeasureLine *const firstRow = firstContentRow(lines);
    if (firstRow == nullptr)
        return;
    // One pass takes all it needs; the rare lines fall to the branches.
    std::uint64_t contentRows = 0;
    std::uint64_t blankRows = 0;
    bool isUnequal = false;
    bool skippedAfterContent = false;
    bool isSkippedBetween = false;
    std::uint64_t pinnedGcd = 0; // of the pinned rows' indexes among the content rows
    for (const MeasureLine &line : lines) {
        if (line.kind == MeasureLine::Kind::Content) [[likely]] {
            isUnequal |= line.width != firstRow->width;
            isSkippedBetween |= skippedAfterContent;
            // Most pinned rows are multiples of it already: it seldom needs working out.
            if (line.isPinned && (pinnedGcd == 0 || contentRows % pinnedGcd != 0))
                pinnedGcd = std::gcd(pinnedGcd, contentRows);
            ++contentRows;
        } else if (line.kind == MeasureLine::Kind::Blank) {
            ++blankRows;
        } else {
            skippedAfterContent = contentRows > 0;
        }
    }
    if (isUnequal) {
        mend.kind = MendKind::UnequalWidths;
    } else if (isSkippedBetween) {
        mend.kind = MendKind::SkippedLineBetween;
    } else if (rules::isAcceptedSize(contentRows)) {
        mend.kind = MendKind::BlankRowsDropped;
        mend.newRows = contentRows;
        mend.blankRows = blankRows;
    } else if (const std::uint64_t size = smallestHoldingSize(pinnedGcd, contentRows); size > 0) {
        mend.kind = MendKind::Regridded;
        mend.newRows = size;
        mend.blankRows = blankRows;
    } else {
        mend.kind = MendKind::NoSizeHolds;
    }
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
