#pragma once

#include <functional>
#include <string>
#include <system_error>
#include <vector>

namespace quillet {

// The charts in a folder and every folder under it, as grep -r finds files: names that end in
// ".sm" in any case, none that begins with "._" (the resource forks macOS leaves in packs), and
// no link to a folder followed. On POSIX systems folders are walked by descriptor, as find walks
// them, so that no depth is too deep for a path.
class ChartFinder
{
public:
    // A folder that could not be read.
    struct Failure
    {
        std::string folder;
        std::error_code error;
    };

    // A chart found: its path, and where the path is too long to open, the chart opened in its
    // folder (else -1). The descriptor is closed once the visit returns.
    struct Chart
    {
        const std::string &path;
        int descriptor = -1;
    };

    /// True for a file name find takes as a chart: it ends in ".sm" in any case and does not begin
    /// with "._".
    static bool isChartName(const std::string &name);

    /// Visits the charts under folder in sorted path order, each as it is found.
    void find(const std::string &folder, const std::function<void(const Chart &)> &visit);
    /// The folders find could not read, in the order met.
    const std::vector<Failure> &failures() const { return m_failures; }

private:
    std::vector<Failure> m_failures;
};

} // namespace quillet
