#pragma once

#include "checkresult.h"

#include <string>
#include <string_view>

namespace quillet {

/// Why a chart whose first bytes are start is incorrect, or None when its first line begins with
/// '#'. start holds at least the first 3 bytes, or the whole chart when it is shorter.
CheckFailure firstLineFailure(std::string_view start);

/// The short English reason for a failed result, or for an OK one without notes, as "quillet-check: PATH: REASON" and the log's
/// "Cannot check: REASON" give it; empty for CheckFailure::None.
std::string failureReason(const CheckResult &result);

} // namespace quillet
