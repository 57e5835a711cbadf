// The mend against a plain reading of the chart: every note keeps its row's bytes and its time
// (its place among the measure's rows with content), nothing but rows of the checked blocks
// changes, each measure mended leaves the faulty count, and mending twice changes nothing;
// whatever the piece sizes that feed it.

#include "../tests/support/mendtext.h"
#include "mend.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A note row: its bytes, and its time as place / rows with content.
struct Note
{
    std::string_view row;
    std::uint64_t place;
    std::uint64_t rows;
};

struct Reading
{
    std::string frame; // every line that is not a row of a measure the check ends
    std::vector<std::vector<Note>> measures;
    std::uint64_t faulty = 0;
};

bool accepted(std::uint64_t rows)
{
    return rows == 4 || rows == 8 || rows == 12 || rows == 16 || rows == 24 || rows == 48;
}

Reading read(std::string_view chart, bool everyBlock)
{
    std::vector<std::string_view> lines; // with their ends
    for (std::size_t at = 0; at < chart.size();) {
        std::size_t end = std::min(chart.find_first_of("\r\n", at), chart.size());
        end += end < chart.size() ? (chart.substr(end, 2) == "\r\n" ? 2 : 1) : 0;
        lines.push_back(chart.substr(at, end - at));
        at = end;
    }
    Reading reading;
    const bool correct = !lines.empty() && lines[0][0] == '#';
    bool inBlock = false;
    bool blocksDone = !correct;
    std::vector<std::string_view> measure;
    for (const std::string_view line : lines) {
        std::string upper(line.substr(0, 6));
        for (char &c : upper)
            c = char(c >= 'a' && c <= 'z' ? c - 32 : c);
        if (!inBlock) {
            reading.frame += line;
            inBlock = !blocksDone && upper == "#NOTES";
            continue;
        }
        const char first = line[0];
        if (first != ',' && first != ';') {
            measure.push_back(line);
            continue;
        }
        // The measure's rows: their notes, in place among those with content.
        std::vector<Note> notes;
        std::uint64_t rows = 0;
        std::uint64_t content = 0;
        for (const std::string_view text : measure) {
            if (text[0] == '#' || text[0] == '/' || text[0] == ' ') {
                reading.frame += text;
                continue;
            }
            ++rows;
            const std::string_view body = text.substr(0, text.find_first_of("\r\n"));
            if (body.find_first_not_of(" \t") == body.npos)
                continue;
            const std::string_view notesPart = body.substr(0, body.find("//"));
            if (notesPart.size() != body.size()
                || notesPart.find_first_not_of("0 \t") != notesPart.npos)
                notes.push_back({text, content, 0});
            ++content;
        }
        for (Note &note : notes)
            note.rows = content;
        reading.measures.push_back(notes);
        reading.faulty += !accepted(rows);
        measure.clear();
        reading.frame += line;
        if (first == ';') {
            inBlock = false;
            blocksDone = !everyBlock;
        }
    }
    for (const std::string_view text : measure)
        reading.frame += text;
    return reading;
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool everyBlock = data[0] & 1;
    const std::size_t piece = 1 + (data[0] >> 1);
    const std::string_view chart(reinterpret_cast<const char *>(data + 1), size - 1);

    const quillet::Mended once = quillet::mendPieces(chart, everyBlock, piece);
    const Reading before = read(chart, everyBlock);
    const Reading after = read(once.text, everyBlock);
    require(once.faulty == before.faulty);
    require(after.faulty == before.faulty - once.mended);
    require(after.frame == before.frame);
    require(after.measures.size() == before.measures.size());
    for (std::size_t m = 0; m < before.measures.size(); ++m) {
        const std::vector<Note> &old = before.measures[m];
        const std::vector<Note> &now = after.measures[m];
        require(old.size() == now.size());
        for (std::size_t n = 0; n < old.size(); ++n) {
            require(old[n].row == now[n].row);
            require(old[n].place * now[n].rows == now[n].place * old[n].rows);
        }
    }
    const quillet::Mended twice = quillet::mendPieces(once.text, everyBlock, 4096);
    require(twice.text == once.text && twice.mended == 0);
    return 0;
}
