#pragma once

#include <cstddef>

// What the page's script takes from the check and gives it, as it comes (webmain.cpp defines
// them).
extern "C" {
/// A piece of the log: whole messages, each ending in LF.
void pageAddLog(const char *data, std::size_t size);
/// A piece of the findings as quillet-check --format=gnu prints them: whole lines.
void pageAddFindings(const char *data, std::size_t size);
/// The mended chart begins with this many bytes of the chart as they are.
void pageMendBegins(double untouched);
/// A piece of the mended chart after those, in order.
void pageAddMended(const char *data, std::size_t size);

/// A new reader of the chart being checked, from its first byte: its number.
int pageOpenChart();
/// Reads up to size bytes of the chart into data: the count, 0 at its end, -1 when it cannot be
/// read (removed or changed since it was chosen).
int pageReadChart(int reader, char *data, std::size_t size);
void pageCloseChart(int reader);
}
