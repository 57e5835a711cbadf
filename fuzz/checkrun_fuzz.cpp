// Differential fuzzing: every chart must give exactly the log that a plain, line-at-a-time
// reading of the rules gives, whatever the block size that splits it; and, checking every block,
// each block's log and the lines and empty rows of its faulty measures.

#include "blockobserver.h"
#include "checkrun.h"
#include "logtext.h"
#include "tempscratchfactory.h"

#include <cctype>
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

bool isNotesTag(std::string_view line)
{
    constexpr std::string_view tag = "#notes:";
    if (line.size() < tag.size())
        return false;
    for (std::size_t i = 0; i < tag.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(line[i])) != tag[i])
            return false;
    }
    return true;
}

// Every block: "[N] Lline eempty bbeat rrows ... =outcome" a line, and the blocks' logs.
std::string expectedBlocks(std::string_view chart, quillet::LogText &log)
{
    const std::vector<std::string_view> lines = splitLines(chart);
    if (lines.empty() || first(lines[0]) != '#')
        return " =2\n";
    std::string events;
    std::size_t i = 1;
    for (std::uint64_t number = 1;; ++number) {
        std::uint64_t beat = 0, rows = 0, empty = 0;
        bool tag = false, ended = false;
        std::string problems;
        std::vector<std::string> messages;
        for (; i < lines.size() && !ended; ++i) {
            const char c = first(lines[i]);
            tag = tag || isNotesTag(lines[i]);
            if (c == '#' || c == '/' || c == ' ')
                continue;
            if (c != ',' && c != ';') {
                ++rows;
                empty += lines[i].empty();
                continue;
            }
            beat += 4;
            if (rows != 4 && rows != 8 && rows != 12 && rows != 16 && rows != 24 && rows != 48) {
                problems += " L" + std::to_string(i + 1) + " e" + std::to_string(empty) + " b"
                    + std::to_string(beat) + " r" + std::to_string(rows);
                messages.push_back("Problem note detected at beat: " + std::to_string(beat));
                messages.push_back("MeasureSize: " + std::to_string(rows));
            }
            rows = empty = 0;
            ended = c == ';';
        }
        if (number > 1 && beat == 0 && !tag)
            break;
        events += "[" + std::to_string(number) + "]" + problems
            + (problems.empty() ? " =0\n" : " =1\n");
        log.addMessage("Checking SM file...");
        for (const std::string &message : messages)
            log.addMessage(message);
        log.addMessage(problems.empty()
                ? "SM file is OK. Ready to send to convert."
                : "Problem SM file. Please fix it before send to vorblen staff.");
        if (!ended)
            break;
    }
    return events;
}

class Recorder : public quillet::BlockObserver
{
public:
    void blockBegins(std::uint64_t number, std::string_view) override
    {
        events += "[" + std::to_string(number) + "]";
    }
    void measureProblem(const quillet::MeasureProblem &p) override
    {
        events += " L" + std::to_string(p.line) + " e" + std::to_string(p.blankRows) + " b"
            + std::to_string(p.beat) + " r" + std::to_string(p.rows);
    }
    void blockEnds(const quillet::CheckResult &result) override
    {
        events += " =" + std::to_string(int(result.outcome)) + "\n";
    }

    std::string events;
};

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

    const bool incorrect = result.outcome == quillet::CheckOutcome::Incorrect;
    if (log.text() != expectedLog(chart)
        || incorrect != (result.failure != quillet::CheckFailure::None)) {
        std::fprintf(stderr, "block size %zu\nexpected:\n%s\ngot:\n%s\n", blockSize,
            expectedLog(chart).c_str(), log.text().c_str());
        std::abort();
    }

    quillet::LogText blocksLog, expectedLog;
    Recorder recorder;
    quillet::CheckRun every(blocksLog, scratch);
    every.setBlockSize(blockSize);
    every.setObserver(&recorder);
    every.setEveryBlock(true);
    if (::lseek(descriptor, 0, SEEK_SET) != 0)
        std::abort();
    (void)every.runOnDescriptor(descriptor);
    const std::string expected = expectedBlocks(chart, expectedLog);
    if (recorder.events != expected
        || blocksLog.text() != (incorrect ? log.text() : expectedLog.text())) {
        std::fprintf(stderr, "every block, block size %zu\nexpected:\n%s%s\ngot:\n%s%s\n",
            blockSize, expected.c_str(), expectedLog.text().c_str(), recorder.events.c_str(),
            blocksLog.text().c_str());
        std::abort();
    }
    ::close(descriptor);
    return 0;
}
