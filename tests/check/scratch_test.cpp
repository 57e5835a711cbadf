#include "../support/tempfolder.h"
#include "checkrun.h"
#include "folderscratchfactory.h"
#include "logtext.h"
#include "tempscratchfactory.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {
namespace {

namespace fs = std::filesystem;

const std::string goodChart = "#TITLE:x;\r\n0000\r\n0000\r\n0000\r\n0000\r\n;\r\n";
const std::string goodLog = "Checking SM file...\r\nSM file is OK. Ready to send to convert.\r\n";

std::string contents(const std::string &path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// What stands at the application folder's tmp.sm before a run.
struct PlantedCase
{
    const char *name;
    std::function<void(const test::TempFolder &app, const test::TempFolder &other)> plant;
    std::function<void(const test::TempFolder &app, const test::TempFolder &other)> verify;
};

void PrintTo(const PlantedCase &value, std::ostream *out)
{
    *out << value.name;
}

const std::vector<PlantedCase> kPlanted = {
    {"StaleRegularFile", [](auto &app, auto &) { app.write("tmp.sm", "0000\r\n0000\r\n;\r\n"); },
        [](auto &app, auto &) { EXPECT_TRUE(app.entries().empty()); }},
    {"SymlinkToUserFile",
        [](auto &app, auto &other) {
            fs::create_symlink(other.write("precious.txt", "keep me"), app.file("tmp.sm"));
        },
        [](auto &app, auto &other) {
            EXPECT_EQ(contents(other.file("precious.txt")), "keep me");
            EXPECT_TRUE(app.entries().empty());
        }},
    {"DanglingSymlink",
        [](auto &app, auto &other) {
            fs::create_symlink(other.file("would-be-created"), app.file("tmp.sm"));
        },
        [](auto &app, auto &other) {
            EXPECT_FALSE(fs::exists(other.file("would-be-created")));
            EXPECT_TRUE(app.entries().empty());
        }},
    {"HardLinkToUserFile",
        [](auto &app, auto &other) {
            fs::create_hard_link(other.write("precious.txt", "keep me"), app.file("tmp.sm"));
        },
        [](auto &, auto &other) { EXPECT_EQ(contents(other.file("precious.txt")), "keep me"); }},
    {"EmptyFolder", [](auto &app, auto &) { fs::create_directory(app.file("tmp.sm")); },
        [](auto &app, auto &) { EXPECT_TRUE(app.entries().empty()); }},
    {"FolderWithFilesFallsBackToTemp",
        [](auto &app, auto &) {
            fs::create_directory(app.file("tmp.sm"));
            app.write("tmp.sm/inside", "x");
        },
        [](auto &app, auto &) { EXPECT_EQ(contents(app.file("tmp.sm/inside")), "x"); }},
    {"Fifo", [](auto &app, auto &) { ASSERT_EQ(::mkfifo(app.file("tmp.sm").c_str(), 0600), 0); },
        [](auto &app, auto &) { EXPECT_TRUE(app.entries().empty()); }},
};

class PlantedScratchTest : public testing::TestWithParam<PlantedCase>
{
protected:
    test::TempFolder app;
    test::TempFolder other;
};

TEST_P(PlantedScratchTest, ChecksWithoutWritingThroughIt)
{
    GetParam().plant(app, other);
    const std::string chart = other.write("chart.sm", goodChart);
    LogText log;
    FolderScratchFactory scratch(app.path().string());

    EXPECT_EQ(CheckRun(log, scratch).run(chart).outcome, CheckOutcome::Ok);
    EXPECT_EQ(log.text(), goodLog);
    GetParam().verify(app, other);
}

INSTANTIATE_TEST_SUITE_P(AtScratchPath, PlantedScratchTest, testing::ValuesIn(kPlanted),
    [](const auto &info) { return std::string(info.param.name); });

TEST(FolderScratchFactoryTest, MissingFolderFallsBackToPrivateTempFile)
{
    test::TempFolder charts;
    LogText log;
    FolderScratchFactory scratch(charts.file("no-such-folder"));

    EXPECT_EQ(
        CheckRun(log, scratch).run(charts.write("c.sm", goodChart)).outcome, CheckOutcome::Ok);
    EXPECT_EQ(log.text(), goodLog);
}

TEST(TempScratchFactoryTest, MakesDistinctFilesThatGoAway)
{
    test::TempFolder folder;
    TempScratchFactory factory(folder.path().string());
    std::error_code error;
    {
        ScratchFile first = factory.create(error);
        ScratchFile second = factory.create(error);
        ASSERT_TRUE(first.isOpen() && second.isOpen());
        EXPECT_NE(first.path(), second.path());
        EXPECT_EQ(folder.entries().size(), 2u);
    }
    EXPECT_TRUE(folder.entries().empty());
}

// Hands the run a scratch descriptor that fails the way a real one might.
class BrokenScratch : public ScratchFactory
{
public:
    BrokenScratch(std::function<int()> open, int createError = 0)
        : m_open(std::move(open))
        , m_createError(createError)
    { }

    ScratchFile create(std::error_code &error) override
    {
        if (m_createError != 0) {
            error = std::error_code(m_createError, std::generic_category());
            return {};
        }
        return ScratchFile(m_open(), {});
    }

private:
    std::function<int()> m_open;
    int m_createError;
};

struct FailureCase
{
    const char *name;
    std::function<int(const test::TempFolder &)> open;
    int createError;
    std::string log;
};

void PrintTo(const FailureCase &value, std::ostream *out)
{
    *out << value.name;
}

const std::vector<FailureCase> kFailures = {
    {"CannotCreate", nullptr, EACCES,
        "Cannot check: the scratch file could not be created (Permission denied)\r\n"},
    {"DiskFull", [](auto &) { return ::open("/dev/full", O_RDWR); }, 0,
        "Cannot check: the scratch file could not be written (No space left on device)\r\n"},
    {"CannotReadBack",
        [](auto &folder) { return ::open(folder.file("w").c_str(), O_WRONLY | O_CREAT, 0600); }, 0,
        "Checking SM file...\r\n"
        "Cannot check: the scratch file could not be read back (Bad file descriptor)\r\n"},
    {"CannotRewind",
        [](auto &) {
            int ends[2];
            if (::pipe(ends) != 0)
                return -1;
            ::fcntl(ends[1], F_SETPIPE_SZ, 1 << 20);
            return ends[1];
        },
        0, "Cannot check: the scratch file could not be read back (Illegal seek)\r\n"},
};

class ScratchFailureTest : public testing::TestWithParam<FailureCase>
{
};

TEST_P(ScratchFailureTest, GivesNoVerdict)
{
    test::TempFolder folder;
    BrokenScratch scratch([&] { return GetParam().open(folder); }, GetParam().createError);
    LogText log;

    const CheckResult result = CheckRun(log, scratch).run(folder.write("c.sm", goodChart));

    EXPECT_EQ(result.outcome, CheckOutcome::CouldNotCheck);
    EXPECT_EQ(log.text(), GetParam().log);
}

INSTANTIATE_TEST_SUITE_P(Scratch, ScratchFailureTest, testing::ValuesIn(kFailures),
    [](const auto &info) { return std::string(info.param.name); });

struct ChartPathCase
{
    const char *name;
    std::function<std::string(const test::TempFolder &)> path;
};

void PrintTo(const ChartPathCase &value, std::ostream *out)
{
    *out << value.name;
}

const std::vector<ChartPathCase> kNotCharts = {
    {"EmptyPath", [](auto &) { return std::string(); }},
    {"MissingFile", [](auto &f) { return f.file("missing.sm"); }},
    {"Folder", [](auto &f) { return f.path().string(); }},
    {"FifoWithNoWriter",
        [](auto &f) {
            ::mkfifo(f.file("fifo.sm").c_str(), 0600);
            return f.file("fifo.sm");
        }},
    {"Device", [](auto &) { return std::string("/dev/zero"); }},
    {"TrailingSpaceIsKept",
        [](auto &f) {
            f.write("c.sm", goodChart);
            return f.file("c.sm ");
        }},
};

class NotAChartTest : public testing::TestWithParam<ChartPathCase>
{
};

TEST_P(NotAChartTest, IsIncorrectAtOnceWithoutScratch)
{
    test::TempFolder folder;
    test::TempFolder app;
    LogText log;
    FolderScratchFactory scratch(app.path().string());

    EXPECT_EQ(CheckRun(log, scratch).run(GetParam().path(folder)).outcome, CheckOutcome::Incorrect);
    EXPECT_EQ(log.text(), "Incorrect SM file! Please check\r\n");
    EXPECT_TRUE(app.entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Paths, NotAChartTest, testing::ValuesIn(kNotCharts),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LogTextTest, EachMessageIsFollowedByCrLf)
{
    LogText log;
    log.addMessage("A");
    log.addMessage("");
    log.addMessage("B");
    EXPECT_EQ(log.text(), "A\r\n\r\nB\r\n");
    log.clear();
    EXPECT_EQ(log.text(), "");
}

} // namespace
} // namespace quillet
