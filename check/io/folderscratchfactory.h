#pragma once

#include "scratchfactory.h"

#include <string>
#include <utility>

namespace quillet {

// "tmp.sm" in a given folder (the application's), falling back to a private temporary file when
// it cannot be made there, when anything already stands at that path, or when the folder is the
// bin folder of an installed prefix (a bin folder beside a share folder, as /usr/bin).
class FolderScratchFactory : public ScratchFactory
{
public:
    explicit FolderScratchFactory(std::string folder)
        : m_folder(std::move(folder))
    { }

    /// The scratch path in the folder: the folder, the platform's separator, then "tmp.sm".
    std::string path() const;
    ScratchFile create(int chart, std::vector<ScratchAttempt> &failed) override;

private:
    std::string m_folder;
};

} // namespace quillet
