#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <vector>

namespace quillet::test {

inline std::string contents(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Test names and failures show a case's name, not its bytes: `using test::PrintTo;` beside a
// table of cases with a name member.
template <class Case>
requires requires(const Case &c)
{
    c.name;
}
void PrintTo(const Case &value, std::ostream *out)
{
    *out << value.name;
}

// Names a table's test after its case, followed by the block size where the table has one, and
// "Scratch" where a third parameter says the chart went through the window's scratch file.
inline constexpr auto caseName = [](const auto &info) {
    if constexpr (requires { info.param.name; }) {
        return std::string(info.param.name);
    } else {
        std::string name = std::string(std::get<0>(info.param).name) + "Block"
            + std::to_string(std::get<1>(info.param));
        if constexpr (std::tuple_size_v<std::decay_t<decltype(info.param)>> > 2)
            name += std::get<2>(info.param) ? "Scratch" : "";
        return name;
    }
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder
{
public:
    TempFolder()
    {
        // mkdtemp's way, on every platform: a random name, made only if nothing stands there.
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_path = std::filesystem::temp_directory_path()
                / ("quillet-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(m_path))
                return;
        }
        std::abort();
    }
    ~TempFolder() { std::filesystem::remove_all(m_path); }

    const std::filesystem::path &path() const { return m_path; }
    std::string file(std::string_view name) const { return (m_path / name).string(); }

    /// Writes bytes, exactly, to a file in the folder and returns its path.
    std::string write(std::string_view name, std::string_view bytes) const
    {
        std::ofstream(file(name), std::ios::binary)
            .write(bytes.data(), std::streamsize(bytes.size()));
        return file(name);
    }

    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    std::filesystem::path m_path;
};

} // namespace quillet::test
