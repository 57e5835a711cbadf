#include "chartfinder.h"

#include <algorithm>
#include <utility>

#ifdef _WIN32
#include <filesystem>
#else
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillet {

bool ChartFinder::isChartName(const std::string &name)
{
    if (name.size() < 3 || name.starts_with("._"))
        return false;
    const std::string end = name.substr(name.size() - 3);
    return end[0] == '.' && (end[1] == 's' || end[1] == 'S') && (end[2] == 'm' || end[2] == 'M');
}

#ifdef _WIN32

void ChartFinder::find(const std::string &folder, const std::function<void(const Chart &)> &visit)
{
    namespace fs = std::filesystem;
    std::vector<std::string> charts;
    std::vector<fs::path> folders {fs::path(folder)};
    while (!folders.empty()) {
        const fs::path current = std::move(folders.back());
        folders.pop_back();
        std::error_code error;
        fs::directory_iterator entry(current, error);
        for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
            const std::string name = entry->path().filename().string();
            if (name.starts_with("._"))
                continue;
            std::error_code typeError;
            // A link is not followed into a folder; one to a file is a chart like any other.
            if (entry->is_directory(typeError) && !entry->is_symlink(typeError))
                folders.push_back(entry->path());
            else if (!entry->is_directory(typeError) && isChartName(name))
                charts.push_back(entry->path().string());
        }
        if (error)
            m_failures.push_back({current.string(), error});
    }
    std::sort(charts.begin(), charts.end());
    for (const std::string &chart : charts)
        visit({chart});
}

#else

namespace {

// A folder's entries worth visiting, sorted so that a depth-first walk meets the charts in sorted
// path order: a folder sorts as its name and "/", as its charts' paths go on.
struct Entry
{
    std::string key; // the name, and "/" for a folder
    bool isFolder() const { return key.back() == '/'; }
    std::string name() const { return isFolder() ? key.substr(0, key.size() - 1) : key; }
};

// One folder of the walk: its descriptor, and its entries not yet visited.
struct Level
{
    int descriptor;
    std::string path; // with a trailing '/'
    std::vector<Entry> entries;
    std::size_t next = 0;
};

// The entries of the folder open at descriptor, or the system's error number.
int readEntries(int descriptor, std::vector<Entry> &entries)
{
    const int copy = ::dup(descriptor);
    DIR *const folder = copy < 0 ? nullptr : ::fdopendir(copy);
    if (folder == nullptr) {
        const int error = errno;
        if (copy >= 0)
            ::close(copy);
        return error;
    }
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent *const entry = ::readdir(folder);
        if (entry == nullptr) {
            error = errno;
            break;
        }
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || name.starts_with("._"))
            continue;
        unsigned char type = entry->d_type;
        struct stat info;
        // A link is not followed into a folder; one to a file is a chart like any other.
        if (type == DT_UNKNOWN
            && ::fstatat(descriptor, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0)
            type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISLNK(info.st_mode) ? DT_LNK : DT_REG;
        if (type == DT_DIR) {
            entries.push_back({name + '/'});
        } else if (ChartFinder::isChartName(name)) {
            if (type != DT_LNK || ::fstatat(descriptor, name.c_str(), &info, 0) != 0
                || !S_ISDIR(info.st_mode))
                entries.push_back({name});
        }
    }
    ::closedir(folder);
    std::sort(entries.begin(), entries.end(),
        [](const Entry &a, const Entry &b) { return a.key < b.key; });
    return error;
}

} // namespace

void ChartFinder::find(const std::string &folder, const std::function<void(const Chart &)> &visit)
{
    std::vector<Level> levels;
    const auto enter = [&](int descriptor, std::string path) {
        if (!path.ends_with('/'))
            path += '/';
        if (descriptor < 0) {
            path.pop_back();
            m_failures.push_back({path, std::error_code(errno, std::generic_category())});
            return;
        }
        Level level {descriptor, std::move(path), {}};
        if (const int error = readEntries(descriptor, level.entries); error != 0) {
            level.path.pop_back();
            m_failures.push_back({level.path, std::error_code(error, std::generic_category())});
        }
        levels.push_back(std::move(level));
    };
    enter(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), folder);
    while (!levels.empty()) {
        Level &level = levels.back();
        if (level.next == level.entries.size()) {
            ::close(level.descriptor);
            levels.pop_back();
            continue;
        }
        const Entry &entry = level.entries[level.next++];
        const std::string name = entry.name();
        std::string path = level.path + name;
        if (entry.isFolder()) {
            const int descriptor = ::openat(
                level.descriptor, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            enter(descriptor, std::move(path)); // level is not to be used after this
            continue;
        }
        Chart chart {path};
        // Too long a path to open: the chart is opened in its folder, without blocking on a FIFO.
        if (path.size() >= PATH_MAX) {
            chart.descriptor = ::openat(
                level.descriptor, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        }
        visit(chart);
        if (chart.descriptor >= 0)
            ::close(chart.descriptor);
    }
}

#endif

} // namespace quillet
