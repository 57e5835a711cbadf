#pragma once

#include <cstddef>

namespace quillet {

// Where a note block's text goes as it is read, piece after piece, from its #NOTES line on: to
// the scan straight from the chart (the command line), or to the scratch file first (the window),
// whose text the scan then reads back through this same interface.
class BlockLines
{
public:
    virtual ~BlockLines() = default;

    /// Takes the next bytes of the block, the first of them a line's start. Returns false when
    /// the block's ';' line is among them, or when the run is to stop.
    virtual bool take(const char *data, std::size_t size) = 0;
    /// After take returned false at the ';' line: how many bytes of that piece the block took;
    /// the chart goes on from there, inside the ';' line.
    virtual std::size_t taken() const = 0;
    /// The text ended inside the block, with no ';' line.
    virtual void finish() = 0;
};

} // namespace quillet
