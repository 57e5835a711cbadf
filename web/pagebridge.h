#pragma once

#include <cstddef>

// What the page's script takes from the check, as it comes (webmain.cpp defines them).
extern "C" {
/// A piece of the log: whole messages, each ending in LF.
void pageAddLog(const char *data, std::size_t size);
/// A piece of the findings as quillet-check --format=gnu prints them: whole lines.
void pageAddFindings(const char *data, std::size_t size);
}
