// Differential fuzzing: every chart must give exactly the log that a plain, line-at-a-time
// reading of the rules gives, whatever the block size that splits it.

#include "checkrun.h"
#include "logtext.h"
#include "tempscratchfactory.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(begin, i - begin));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        begin = i + 1;
    }
    if (begin < text.size())
        lines.push_back(text.substr(begin));
    return lines;
}

char first(std::string_view line)
{
    return line.empty() ? '\0' : line[0];
}

std::string expectedLog(std::string_view chart)
{
    quillet::LogText log;
    const std::vector<std::string_view> lines = splitLines(chart);
    if (lines.empty() || first(lines[0]) != '#') {
        log.addMessage("Incorrect SM file! Please check");
        return log.text();
    }
    std::vector<std::string_view> block;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const char c = first(lines[i]);
        if (c != '#' && c != '/' && c != ' ')
            block.push_back(lines[i]);
        if (c == ';')
            break;
    }
    log.addMessage("Checking SM file...");
    std::uint64_t beat = 0, rows = 0, problems = 0;
    for (std::string_view line : block) {
        const char c = first(line);
        if (c != ',' && c != ';') {
            ++rows;
            continue;
        }
        beat += 4;
        if (rows != 4 && rows != 8 && rows != 12 && rows != 16 && rows != 24 && rows != 48) {
            log.addMessage("Problem note detected at beat: " + std::to_string(beat));
            log.addMessage("MeasureSize: " + std::to_string(rows));
            ++problems;
        }
        rows = 0;
        if (c == ';')
            break;
    }
    log.addMessage(problems > 0 ? "Problem SM file. Please fix it before send to vorblen staff."
                                : "SM file is OK. Ready to send to convert.");
    return log.text();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    static constexpr std::size_t blockSizes[]
        = {1, 2, 3, 7, 63, 64, 65, quillet::CheckRun::defaultBlockSize};
    const std::size_t blockSize = blockSizes[data[0] % 8];
    const std::string_view chart(reinterpret_cast<const char *>(data) + 1, size - 1);

    const int descriptor = ::memfd_create("chart", MFD_CLOEXEC);
    if (descriptor < 0 || ::write(descriptor, chart.data(), chart.size()) != ssize_t(chart.size())
        || ::lseek(descriptor, 0, SEEK_SET) != 0)
        std::abort();

    quillet::LogText log;
    quillet::TempScratchFactory scratch;
    quillet::CheckRun run(log, scratch);
    run.setBlockSize(blockSize);
    const quillet::CheckResult result = run.runOnDescriptor(descriptor);
    ::close(descriptor);

    const bool incorrect = result.outcome == quillet::CheckOutcome::Incorrect;
    if (log.text() != expectedLog(chart)
        || incorrect != (result.failure != quillet::CheckFailure::None)) {
        std::fprintf(stderr, "block size %zu\nexpected:\n%s\ngot:\n%s\n", blockSize,
            expectedLog(chart).c_str(), log.text().c_str());
        std::abort();
    }
    return 0;
}
