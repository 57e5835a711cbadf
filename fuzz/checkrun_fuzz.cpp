// Differential fuzzing: every chart must give exactly the log that a plain, line-at-a-time
// reading of the rules gives, whatever the block size that splits it, both straight from the chart
// and through a scratch file; and so must every block of it, with the line and empty rows of each
// faulty measure.

#include "../tests/support/blockrecorder.h"
#include "../tests/support/logtext.h"
#include "chartrules.h"
#include "checkrun.h"
#include "tempscratchfactory.h"

#include <algorithm>
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

namespace rules = quillet::rules;

std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    for (std::size_t begin = 0, end; begin < text.size(); begin = end + 1) {
        end = std::min(text.find_first_of("\r\n", begin), text.size());
        lines.push_back(text.substr(begin, end - begin));
        end += text.substr(end, 2) == "\r\n";
    }
    return lines;
}

bool isNotesTag(std::string_view line)
{
    return line.size() >= rules::notesTag.size() && rules::matchesNotesTag(line);
}

struct Expected
{
    quillet::LogText firstLog; // the default check's
    quillet::LogText blocksLog; // every block's, one after the other
    std::string events; // as test::BlockRecorder writes them, without names
};

Expected expected(std::string_view chart)
{
    Expected out;
    const std::vector<std::string_view> lines = splitLines(chart);
    if (lines.empty() || !lines[0].starts_with('#')) {
        out.firstLog.addMessage("Incorrect SM file! Please check");
        out.blocksLog.addMessage("Incorrect SM file! Please check");
        out.events = " =2\n";
        return out;
    }
    std::size_t i = 0;
    for (std::uint64_t number = 1;; ++number) {
        while (i < lines.size() && !isNotesTag(lines[i]))
            ++i;
        if (number > 1 && i == lines.size())
            break;
        std::uint64_t beat = 0, rows = 0, empty = 0;
        bool ended = false;
        std::string problems;
        std::vector<std::string> log = {"Checking SM file..."};
        for (; i < lines.size() && !ended; ++i) {
            const rules::LineClass type = rules::lineClass(lines[i].empty() ? '\n' : lines[i][0]);
            if (type == rules::LineClass::Skipped)
                continue;
            if (type == rules::LineClass::Row) {
                ++rows;
                empty += lines[i].empty();
                continue;
            }
            beat += 4;
            if (!rules::isAcceptedSize(rows)) {
                for (const auto &[key, value] :
                    {std::pair {" L", i + 1}, {" e", empty}, {" b", beat}, {" r", rows}})
                    problems.append(key).append(std::to_string(value));
                log.push_back("Problem note detected at beat: " + std::to_string(beat));
                log.push_back("MeasureSize: " + std::to_string(rows));
            }
            rows = empty = 0;
            ended = type == rules::LineClass::BlockEnd;
        }
        out.events += "[" + std::to_string(number) + "]" + problems;
        out.events += problems.empty() ? " =0\n" : " =1\n";
        log.push_back(problems.empty()
                ? "SM file is OK. Ready to send to convert."
                : "Problem SM file. Please fix it before send to vorblen staff.");
        for (const std::string &message : log) {
            if (number == 1)
                out.firstLog.addMessage(message);
            out.blocksLog.addMessage(message);
        }
        if (!ended)
            break;
    }
    return out;
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
    const Expected expect = expected(chart);

    const int descriptor = ::memfd_create("chart", MFD_CLOEXEC);
    if (descriptor < 0 || ::write(descriptor, chart.data(), chart.size()) != ssize_t(chart.size()))
        std::abort();
    quillet::TempScratchFactory scratch;
    // Straight from the chart: the default check; every block with an observer; every block
    // without one. Through a scratch file, as the window checks: the default and every block.
    for (const int mode : {0, 1, 2, 3, 4}) {
        const bool every = mode == 1 || mode == 2 || mode == 4;
        quillet::LogText log;
        quillet::test::BlockRecorder recorder;
        recorder.withNames = false;
        quillet::CheckRun run = mode < 3 ? quillet::CheckRun(log) : quillet::CheckRun(log, scratch);
        run.setBlockSize(blockSize);
        run.setObserver(mode == 1 ? &recorder : nullptr);
        run.setEveryBlock(every);
        if (::lseek(descriptor, 0, SEEK_SET) != 0)
            std::abort();
        const quillet::CheckResult result = run.runOnDescriptor(descriptor);

        const bool incorrect = result.outcome == quillet::CheckOutcome::Incorrect;
        const quillet::LogText &wanted = every ? expect.blocksLog : expect.firstLog;
        if (log.text() != wanted.text() || (mode == 1 && recorder.events != expect.events)
            || incorrect != (result.failure != quillet::CheckFailure::None
                && result.failure != quillet::CheckFailure::NoNotesBlock)) {
            std::fprintf(stderr, "block size %zu, mode %d\nexpected:\n%s%s\ngot:\n%s%s\n",
                blockSize, mode, wanted.text().c_str(), expect.events.c_str(), log.text().c_str(),
                recorder.events.c_str());
            std::abort();
        }
    }
    ::close(descriptor);
    return 0;
}
