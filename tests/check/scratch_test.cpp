#include "../support/charts.h"
#include "../support/tempfolder.h"
#include "../support/logtext.h"
#include "checkrun.h"
#include "folderscratchfactory.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {
namespace {

using namespace test;
using test::PrintTo; // for argument-dependent lookup from GoogleTest

namespace fs = std::filesystem;
using Folders = const TempFolder &;

bool untouched(Folders user)
{
    return contents(user.file("precious")) == "keep me" && user.entries().size() == 2;
}

// What stands at the application folder's tmp.sm before a run, and what must hold after it: by
// default, the user's files as they were and what was planted still there, alone.
struct PlantedCase
{
    const char *name;
    std::function<void(Folders app, Folders user)> plant;
    std::function<bool(Folders app, Folders user)> holds
        = [](Folders app, Folders user) { return untouched(user) && app.entries().size() == 1; };
};

const std::vector<PlantedCase> kPlanted = {
    {"UsersChartSavedAsTmp", [](Folders app, Folders) { app.write("tmp.sm", "#MINE:;\r\n"); },
        [](Folders app, Folders user) {
            return untouched(user) && contents(app.file("tmp.sm")) == "#MINE:;\r\n";
        }},
#ifndef _WIN32 // Windows makes symbolic links only with a privilege, and Wine not at all.
    {"SymlinkToUserFile",
        [](Folders app, Folders user) {
            fs::create_symlink(user.file("precious"), app.file("tmp.sm"));
        }},
#endif
    {"HardLinkToUserFile",
        [](Folders app, Folders user) {
            fs::create_hard_link(user.file("precious"), app.file("tmp.sm"));
        }},
    {"FolderWithFilesFallsBackToTemp",
        [](Folders app, Folders) { fs::create_directories(app.file("tmp.sm/inside")); },
        [](Folders app, Folders) { return fs::is_directory(app.file("tmp.sm/inside")); }},
#ifndef _WIN32 // Windows has no FIFOs in its folders.
    {"Fifo", [](Folders app, Folders) { ::mkfifo(app.file("tmp.sm").c_str(), 0600); }},
#endif
};

using PlantedScratchTest = testing::TestWithParam<PlantedCase>;

TEST_P(PlantedScratchTest, ChecksWithoutWritingThroughIt)
{
    TempFolder app, user;
    const std::string chart = user.write("chart.sm", okChart);
    user.write("precious", "keep me");
    GetParam().plant(app, user);
    LogText log;
    FolderScratchFactory scratch(app.path().string());

    EXPECT_EQ(CheckRun(log, scratch).run(chart).outcome, CheckOutcome::Ok);
    EXPECT_EQ(log.text(), okLog);
    EXPECT_TRUE(GetParam().holds(app, user));
}

INSTANTIATE_TEST_SUITE_P(AtScratchPath, PlantedScratchTest, testing::ValuesIn(kPlanted), caseName);

// Where the window's scratch goes, by the program's folder: beside the program in a folder of its
// own, in the temporary folder when the program is installed under a prefix.
struct PlaceCase
{
    const char *name;
    std::vector<const char *> folders;
    const char *programFolder;
    bool besideProgram;
};

const std::vector<PlaceCase> kPlaces = {
    {"BuildFolder", {"build/bin"}, "build/bin", true},
    {"InstalledPrefix", {"prefix/bin", "prefix/share"}, "prefix/bin", false},
};

using ScratchPlaceTest = testing::TestWithParam<PlaceCase>;

TEST_P(ScratchPlaceTest, FollowsTheProgramsFolder)
{
    TempFolder root;
    for (const char *folder : GetParam().folders)
        fs::create_directories(root.file(folder));
    const std::string programFolder = root.file(GetParam().programFolder);
    FolderScratchFactory factory(programFolder);
    std::vector<ScratchAttempt> failed;

    const ScratchFile scratch = factory.create(-1, failed);

    EXPECT_TRUE(scratch.isOpen());
    EXPECT_EQ(scratch.path(), GetParam().besideProgram ? factory.path() : std::string());
}

INSTANTIATE_TEST_SUITE_P(Scratch, ScratchPlaceTest, testing::ValuesIn(kPlaces), caseName);

#ifndef _WIN32 // Windows refuses to replace a file that is open, so this cannot happen there.
// A file saved over tmp.sm while a check ran is the user's: the run's end leaves it.
TEST(ScratchFileTest, KeepsAFileSavedOverItsPath)
{
    TempFolder app;
    FolderScratchFactory factory(app.path().string());
    std::vector<ScratchAttempt> failed;
    ScratchFile scratch = factory.create(-1, failed);
    ASSERT_EQ(scratch.path(), factory.path());

    fs::rename(app.write("saved", "#MINE:;\r\n"), factory.path());
    static_cast<void>(scratch.discard());

    EXPECT_EQ(contents(factory.path()), "#MINE:;\r\n");
}
#endif

// Hands the run a scratch descriptor that fails the way a real one might.
class BrokenScratch : public ScratchFactory
{
public:
    explicit BrokenScratch(std::function<int()> open)
        : m_open(std::move(open))
    { }

    ScratchFile create(int, std::vector<ScratchAttempt> &) override
    {
        return ScratchFile(m_open(), {});
    }

private:
    std::function<int()> m_open;
};

struct FailureCase
{
    const char *name;
    std::function<int(Folders)> open;
    std::string log;
};

const std::vector<FailureCase> kFailures = {
#ifndef _WIN32 // Windows has no device that is always full.
    {"DiskFull", [](Folders) { return ::open("/dev/full", O_RDWR); },
        "Cannot check: the scratch file could not be written (No space left on device)\r\n"},
#endif
    {"CannotReadBack",
        [](Folders f) { return ::open(f.file("w").c_str(), O_WRONLY | O_CREAT, 0600); },
        "Checking SM file...\r\n"
        "Cannot check: the scratch file could not be read back (Bad file descriptor)\r\n"},
};

using ScratchFailureTest = testing::TestWithParam<FailureCase>;

TEST_P(ScratchFailureTest, GivesNoVerdict)
{
    TempFolder folder;
    BrokenScratch scratch([&] { return GetParam().open(folder); });
    LogText log;

    // Large enough to be written and read back through the I/O thread: its failures count too.
    const std::string chart = "#NOTES:\n" + std::string(std::size_t(1) << 20, '0') + "\n;\n";
    const CheckResult result = CheckRun(log, scratch).run(folder.write("c.sm", chart));

    EXPECT_EQ(result.outcome, CheckOutcome::CouldNotCheck);
    EXPECT_EQ(log.text(), GetParam().log);
}

INSTANTIATE_TEST_SUITE_P(Scratch, ScratchFailureTest, testing::ValuesIn(kFailures), caseName);

#ifndef _WIN32 // TMPDIR and "Not a directory" are POSIX's; Windows reads TMP, and says "not found".
// The window's fallback: when neither the application folder nor the temporary one takes the
// scratch file, the log says why for each.
TEST(ScratchFallbackTest, NamesEveryFolderTried)
{
    TempFolder folder;
    const std::string app = folder.write("app", "a file, not a folder");
    ::setenv("TMPDIR", folder.file("missing").c_str(), 1);
    LogText log;
    FolderScratchFactory scratch(app);

    const CheckResult result = CheckRun(log, scratch).run(folder.write("c.sm", okChart));
    ::unsetenv("TMPDIR");

    EXPECT_EQ(result.failure, CheckFailure::ScratchNotCreated);
    EXPECT_EQ(log.text(),
        "Cannot check: the scratch file could not be created in " + app
            + " (Not a directory) or in " + folder.file("missing")
            + " (No such file or directory)\r\n");
}
#endif

} // namespace
} // namespace quillet
