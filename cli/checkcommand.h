#pragma once

#include <string_view>
#include <vector>

namespace quillet {

class OutputSink;

/// quillet-check itself: checks the charts its arguments (those after the program's name) name,
/// prints their output to out and the reasons, usage errors and summary to errors, and returns
/// the exit status. A chart at hand when memory runs out is reported as not checked.
int runCheckCommand(
    const std::vector<std::string_view> &arguments, OutputSink &out, OutputSink &errors);

} // namespace quillet
