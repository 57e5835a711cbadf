#pragma once

#include <string_view>

namespace quillet {

// What "..." asks of the open-file dialog: the chart's title and its one filter pair.
inline constexpr std::string_view chartDialogTitle = "Select SM";
inline constexpr char chartFilterText[] = "Step Mania Single BPM File(*.sm)\0*.sm";
inline constexpr std::string_view chartFilter(chartFilterText, sizeof chartFilterText - 1);

} // namespace quillet
