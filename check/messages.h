#pragma once

#include <string_view>

// The log's texts, word for word: chart authors and staff scripts read them.
namespace quillet::messages {

inline constexpr std::string_view incorrect = "Incorrect SM file! Please check";
inline constexpr std::string_view checking = "Checking SM file...";
inline constexpr std::string_view problemAtBeat = "Problem note detected at beat: ";
inline constexpr std::string_view measureSize = "MeasureSize: ";
inline constexpr std::string_view problemVerdict
    = "Problem SM file. Please fix it before send to vorblen staff.";
inline constexpr std::string_view okVerdict = "SM file is OK. Ready to send to convert.";

inline constexpr std::string_view cannotCheck = "Cannot check: ";
inline constexpr std::string_view scratchNotCreated = "the scratch file could not be created";
inline constexpr std::string_view scratchNotWritten = "the scratch file could not be written";
inline constexpr std::string_view scratchNotRead = "the scratch file could not be read back";
inline constexpr std::string_view chartNotRead = "the chart could not be read";

} // namespace quillet::messages
