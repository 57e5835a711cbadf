#include "../support/charts.h"
#include "../support/tempfolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace quillet {
namespace {

using namespace test;
using test::PrintTo; // for argument-dependent lookup from GoogleTest

constexpr int manyMeasures = 5000;

const std::string okAndBad = "2 charts: 1 OK, 1 with problems, 0 incorrect, 0 not checked\n";
// Unreadable even to root: without the capabilities that let it read any folder.
const std::string asUser = "R=; [ $(id -u) = 0 ] && R='setpriv --bounding-set=-dac_override,"
                           "-dac_read_search'; ";
const std::string gnuTail = "; accepted sizes are 4, 8, 12, 16, 24 and 48";
const std::string okLog = "Checking SM file...\nSM file is OK. Ready to send to convert.\n";
// A blank row to drop and six rows to write as twelve, in CR LF, as --fix mends them.
const std::string mendable = "#TITLE:m;\r\n#NOTES:\r\n1000\r\n\r\n0100\r\n0010\r\n0001\r\n,\r\n"
                             "1000\r\n0100\r\n0010\r\n0001\r\n1000\r\n0100\r\n;\r\n";
const std::string mended = "#TITLE:m;\r\n#NOTES:\r\n1000\r\n0100\r\n0010\r\n0001\r\n,\r\n"
                           "1000\r\n0000\r\n0100\r\n0000\r\n0010\r\n0000\r\n0001\r\n0000\r\n"
                           "1000\r\n0000\r\n0100\r\n0000\r\n;\r\n";

std::string shellCommand(const TempFolder &folder, const std::string &command)
{
    return "cd '" + folder.path().string()
        + "' && Q='" QUILLET_CHECK_PATH "' && TMPDIR=tmp && export TMPDIR && { " + command
        + "; } > out 2> err";
}

int exitStatus(const std::string &command)
{
    return WEXITSTATUS(std::system(command.c_str()));
}

struct CliCase
{
    const char *name;
    std::string command; // a shell command; $Q is quillet-check, OK, BAD, MANY... name charts
    int status;
    std::string out;
    std::string errStart;
};

// The program as a shell runs it: what only a process has, its exit status, standard streams and
// signals. What it prints is tested in-process (checkcommand_test.cpp).
const std::vector<CliCase> kCases = {
    {"StandardInputNamedWhenPrefixed", "$Q - BAD < OK", 1,
        "(standard input): Checking SM file...\n"
        "(standard input): SM file is OK. Ready to send to convert.\n"
        "BAD: Checking SM file...\nBAD: Problem note detected at beat: 4\nBAD: MeasureSize: 3\n"
        "BAD: Problem SM file. Please fix it before send to vorblen staff.\n",
        okAndBad},
    {"LockedFolder",
        asUser + "mkdir -p p/locked && cp BAD p/a.sm && chmod 0 p/locked && $R $Q p; s=$?; "
            + "chmod 755 p/locked; exit $s",
        2,
        "p/a.sm: Checking SM file...\np/a.sm: Problem note detected at beat: 4\n"
        "p/a.sm: MeasureSize: 3\np/a.sm: Problem SM file. Please fix it before send to vorblen "
        "staff.\n",
        "quillet-check: p/locked: cannot read the folder (Permission denied)\n"},
    // --fix and --diff: a chart is replaced only whole, and kept as CHART.old.
    {"FixMendsInPlace",
        "mkdir d && cp FIX d/s.sm && chmod 640 d/s.sm && $Q --fix d/s.sm; s=$?; cmp d/s.sm MENDED "
        "&& cmp d/s.sm.old FIX && stat -c %a d/s.sm && ls -A d; exit $s",
        0, okLog + "640\ns.sm\ns.sm.old\n",
        "quillet-check: d/s.sm: mended 2 of 2 faulty measures (the original is d/s.sm.old)\n"},
    {"FixRefusedWhenOldExists",
        "mkdir d && cp FIX d/s.sm && : > d/s.sm.old && $Q -q --fix d/s.sm; s=$?; cmp d/s.sm FIX "
        "&& ls -A d; exit $s",
        2, "s.sm\ns.sm.old\n", "quillet-check: d/s.sm: not mended: d/s.sm.old already exists\n"},
    {"FixRefusedInReadOnlyFolder",
        asUser
            + "mkdir d && cp FIX d/s.sm && chmod 555 d && $R $Q -q --fix d/s.sm; s=$?; "
              "chmod 755 d; cmp d/s.sm FIX && ls -A d; exit $s",
        2, "s.sm\n",
        "quillet-check: d/s.sm: not mended: cannot write in its folder (Permission denied)\n"},
    {"DiffAppliedByPatch",
        "cp FIX s.sm && $Q --diff s.sm > d; s=$?; patch -s --binary -p0 < d && cmp s.sm MENDED "
        "&& ls s.sm*; exit $s",
        1, "s.sm\n", ""},
    {"FixStandardInput",
        "$Q --fix --format=gnu - < FIX > m; s=$?; cmp m MENDED && echo same; exit $s", 0, "same\n",
        "quillet-check: (standard input): mended 2 of 2 faulty measures\n"},
    {"ClosedOutput", "$Q OK >&-", 2, "",
        "quillet-check: cannot write the log: Bad file descriptor\n"},
    // A chart that cannot be read outranks a problem.
    {"ClosedInputCannotBeRead", "$Q --format=gnu BAD - <&-", 2,
        "BAD:6: beat 4: this measure has 3 rows" + gnuTail
            + " (--fix can write it as 4 rows without moving a note)\n(standard input): cannot check: the chart could not be read (Bad file "
              "descriptor)\n",
        "quillet-check: (standard input): the chart could not be read (Bad file descriptor)\n"},
    // Any spliced line would add a line that no single run prints.
    {"ParallelRunsKeepWholeLines",
        "for i in 1 2 3 4; do $Q MANY MANY 2>/dev/null & done | sort -u | wc -l", 0,
        std::to_string(manyMeasures + 3) + "\n", ""},
    // A parent that left the pipe non-blocking, and a reader slower than the check.
    {"NonBlockingOutputWaitsForTheReader",
        "python3 -c 'import os,sys; os.set_blocking(1, False); os.execv(sys.argv[1], sys.argv[1:])'"
        " $Q MANY MANY | python3 -c 'import os\nn = 0\nwhile b := os.read(0, 256): n += "
        "b.count(10)\n"
        "print(n)'",
        0, std::to_string(2 * (2 * manyMeasures + 2)) + "\n",
        "2 charts: 0 OK, 2 with problems, 0 incorrect, 0 not checked\n"},
#ifndef __SANITIZE_ADDRESS__ // ulimit -v leaves no room for the sanitizer's shadow memory
    // Somewhere between too little memory to start and enough to check, the check runs out: it
    // says so, never aborts on a bad_alloc. (Too little to start is the loader's error, or the
    // C++ runtime's when it cannot even make an exception: neither names either, so both pass.)
    {"OutOfMemory",
        "for v in $(seq 4000 250 20000); do (ulimit -v $v; $Q MANY 2>&1 >/dev/null); done 2>&1"
        " | grep 'out of memory\\|bad_alloc'"
        " | sed 's/.*out of memory$/out of memory/' | sort -u",
        0, "out of memory\n", ""},
#endif
};

using CheckProgramTest = testing::TestWithParam<CliCase>;

TEST_P(CheckProgramTest, PrintsAndExits)
{
    TempFolder folder;
    folder.write("OK", okChart);
    folder.write("BAD", "#TITLE:b;\n#NOTES:\n0000\n0000\n0000\n;\n");
    // Many faulty measures: their log is far longer than one write.
    folder.write("MANY", "#NOTES:\n" + rows(manyMeasures, "0000\n0000\n0000\n,", "\n"));
    folder.write("FIX", mendable);
    folder.write("MENDED", mended);
    std::filesystem::create_directory(folder.file("tmp"));
    // Inside the folder, so that the charts' names are short; and --fix's private files go to tmp.
    const std::string command = shellCommand(folder, GetParam().command);

    EXPECT_EQ(exitStatus(command), GetParam().status) << command;
    EXPECT_EQ(contents(folder.file("out")), GetParam().out);
    const std::string err = contents(folder.file("err"));
    EXPECT_EQ(err.substr(0, GetParam().errStart.size()), GetParam().errStart);
    EXPECT_EQ(err.empty(), GetParam().errStart.empty()) << err;
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("tmp"))) << "private file left behind";
}

INSTANTIATE_TEST_SUITE_P(Options, CheckProgramTest, testing::ValuesIn(kCases), caseName);

} // namespace
} // namespace quillet
