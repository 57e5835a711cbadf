#pragma once

#include <string>
#include <system_error>
#include <vector>

// The charts in a folder and every folder under it, as grep -r finds files: names that end in
// ".sm" in any case, none that begins with "._" (the resource forks macOS leaves in packs), and
// no link to a folder followed.
class ChartFinder
{
public:
    // A folder that could not be read.
    struct Failure
    {
        std::string folder;
        std::error_code error;
    };

    /// The charts under folder, in sorted path order.
    std::vector<std::string> find(const std::string &folder);
    /// The folders find could not read, in the order met.
    const std::vector<Failure> &failures() const { return m_failures; }

private:
    std::vector<Failure> m_failures;
};
