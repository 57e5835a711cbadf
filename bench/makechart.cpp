// makechart: writes a large chart for the benchmarks.
//   makechart PATH MEGABYTES [crlf|lf|one-line]
// crlf and lf: one note block of 16-row measures, every eighth measure one row short.
// one-line: a title line and then a single line with no line end at all.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: makechart PATH MEGABYTES [crlf|lf|one-line]\n");
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
    long long size = 0;
    for (long long index = 0; size < target; ++index) {
        const std::string &rows = index % 8 == 7 ? shortMeasure : measure;
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
