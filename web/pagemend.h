#pragma once

#include "mend.h"

#include <string>

// The mended chart, handed to the page's script in pieces of 1 MiB, which it keeps as the parts
// of a Blob: the module holds one piece, not the chart.
class PageMend : public quillet::MendOutput
{
public:
    void keep(std::string_view bytes) override { write(bytes); }
    void drop(std::string_view) override { }
    void add(std::string_view line) override { write(line); }
    /// Hands over what is held.
    void flush();

private:
    void write(std::string_view bytes);

    std::string m_held;
};
