// makechart: writes charts for the benchmarks.
//   makechart PATH MEGABYTES [crlf|lf|one-line|mend]
//   makechart --pack FOLDER
// crlf and lf: one note block of 16-row measures, every eighth measure one row short.
// mend: as crlf, but each eighth measure is one --fix mends: a blank line among 16 rows, or
// 32 rows of 8th notes, in turn.
// one-line: a title line and then a single line with no line end at all.
// --pack: 33 charts shaped like those people publish (a header of tags, several note blocks of
// 4-, 8-, 12-, 16-, 24- and 48-row measures, comments, CR LF or LF), from a few kilobytes to a
// few hundred, a few of them with a measure of the wrong size.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

namespace {

bool writeFile(const std::string &path, const std::string &text)
{
    std::FILE *out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        std::perror(path.c_str());
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return std::fclose(out) == 0 && written;
}

// A fixed sequence, so every run benchmarks the same pack.
class Random
{
public:
    explicit Random(std::uint64_t seed)
        : m_state(seed * 0x9E3779B97F4A7C15u + 1)
    { }
    unsigned below(unsigned bound)
    {
        m_state = m_state * 6364136223846793005u + 1442695040888963407u;
        return unsigned(m_state >> 33) % bound;
    }

private:
    std::uint64_t m_state;
};

std::string packChart(int index)
{
    Random random(index);
    const std::string eol = index % 3 == 0 ? "\r\n" : "\n";
    const std::size_t target = std::size_t(2500 * std::pow(1.17, index));
    const bool oneBadMeasure = index % 4 == 1;

    std::string text;
    for (const char *tag : {"TITLE:Pack Song", "SUBTITLE:", "ARTIST:Someone",
             "CREDIT:", "MUSIC:song.ogg", "BANNER:bn.png", "BACKGROUND:bg.png", "SAMPLESTART:41.2",
             "SAMPLELENGTH:12.0", "SELECTABLE:YES", "DISPLAYBPM:150.000", "BPMS:0.000=150.000",
             "STOPS:", "OFFSET:-0.012", "BGCHANGES:"})
        text += std::string("#") + tag + ";" + eol;

    static constexpr int sizes[] = {4, 4, 8, 8, 8, 16, 16, 16, 12, 24, 48};
    static constexpr const char *difficulties[]
        = {"Beginner", "Easy", "Medium", "Hard", "Challenge"};
    const int blocks = 1 + index % 5;
    const std::size_t perBlock = target / blocks;
    for (int block = 0; block < blocks; ++block) {
        const bool isDouble = block == 4;
        const int columns = isDouble ? 8 : 4;
        text += "//---------------dance-" + std::string(isDouble ? "double" : "single") + " - "
            + difficulties[block % 5] + "----------------" + eol;
        text += "#NOTES:" + eol + "     dance-" + (isDouble ? "double" : "single") + ":" + eol
            + "     :" + eol + "     " + difficulties[block % 5] + ":" + eol + "     "
            + std::to_string(3 + block * 2) + ":" + eol + "     0.1,0.2,0.0,0.0,0.0:" + eol;
        const std::size_t end = text.size() + perBlock;
        for (int measure = 0;; ++measure) {
            int rows = sizes[random.below(std::size(sizes))];
            if (oneBadMeasure && block == 0 && measure == 9)
                rows = 7;
            for (int row = 0; row < rows; ++row) {
                std::string line(columns, '0');
                if (random.below(3) == 0)
                    line[random.below(columns)] = "1124M"[random.below(5)];
                text += line + eol;
            }
            if (text.size() >= end && measure > 9)
                break;
            text += (measure % 4 == 0 ? ",  // measure " + std::to_string(measure + 1) : ",") + eol;
        }
        text += ";" + eol;
    }
    return text;
}

int writePack(const std::string &folder)
{
    for (int index = 0; index < 33; ++index) {
        char name[32];
        std::snprintf(name, sizeof name, "/song%02d.sm", index);
        if (!writeFile(folder + name, packChart(index)))
            return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--pack") == 0)
        return writePack(argv[2]);
    if (argc < 3) {
        std::fprintf(stderr,
            "usage: makechart PATH MEGABYTES [crlf|lf|one-line|mend]\n       makechart --pack FOLDER\n");
        return 2;
    }
    const long long target = std::atoll(argv[2]) * 1000 * 1000;
    const std::string mode = argc > 3 ? argv[3] : "crlf";
    const std::string eol = mode == "lf" ? "\n" : "\r\n";
    std::FILE *out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }

    std::string text = "#TITLE:Benchmark;" + eol + "#NOTES:" + eol + "     dance-single:" + eol
        + "     :" + eol + "     Challenge:" + eol + "     12:" + eol + "     0,0,0,0,0:" + eol;
    if (mode == "one-line") {
        std::fwrite(text.data(), 1, text.size(), out);
        const std::string zeros(1 << 20, '0');
        for (long long written = 0; written < target; written += zeros.size())
            std::fwrite(zeros.data(), 1, zeros.size(), out);
        return std::fclose(out) == 0 ? 0 : 1;
    }

    std::string measure, shortMeasure;
    for (int row = 0; row < 16; ++row)
        measure += (row % 4 == 0 ? "1000" : "0000") + eol;
    shortMeasure = measure.substr(4 + eol.size());
    const std::string blankRow = measure.substr(0, 8 * (4 + eol.size())) + eol
        + measure.substr(8 * (4 + eol.size()));
    std::string eighths;
    for (int row = 0; row < 32; ++row)
        eighths += (row % 4 == 0 ? "0100" : "0000") + eol;
    long long size = 0;
    for (long long index = 0; size < target; ++index) {
        const std::string &faulty
            = mode != "mend" ? shortMeasure : (index % 16 == 7 ? blankRow : eighths);
        const std::string &rows = index % 8 == 7 ? faulty : measure;
        text += rows;
        text += "," + eol;
        if (text.size() > (1 << 20)) {
            size += std::fwrite(text.data(), 1, text.size(), out);
            text.clear();
        }
    }
    text += "0000" + eol + ";" + eol;
    std::fwrite(text.data(), 1, text.size(), out);
    return std::fclose(out) == 0 ? 0 : 1;
}
