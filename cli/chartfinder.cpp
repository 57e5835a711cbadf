#include "chartfinder.h"

#include <algorithm>
#include <filesystem>

namespace {

bool isChartName(const std::string &name)
{
    if (name.size() < 3 || name.starts_with("._"))
        return false;
    const std::string end = name.substr(name.size() - 3);
    return end[0] == '.' && (end[1] == 's' || end[1] == 'S') && (end[2] == 'm' || end[2] == 'M');
}

} // namespace

std::vector<std::string> ChartFinder::find(const std::string &folder)
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
    return charts;
}
