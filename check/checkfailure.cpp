#include "checkfailure.h"

#include "fileio.h"
#include "messages.h"

namespace quillet {

CheckFailure firstLineFailure(std::string_view start)
{
    if (start.empty())
        return CheckFailure::Empty;
    if (start[0] == '#')
        return CheckFailure::None;
    if (start.starts_with("\xEF\xBB\xBF"))
        return CheckFailure::ByteOrderMark;
    if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF"))
        return CheckFailure::Utf16;
    if (start[0] == '\r' || start[0] == '\n')
        return CheckFailure::BlankFirstLine;
    if (start.starts_with("//"))
        return CheckFailure::CommentFirstLine;
    return CheckFailure::NoHashFirstLine;
}

std::string failureReason(const CheckResult &result)
{
    const auto withError = [&](std::string_view what) {
        std::string text(what);
        if (!result.scratchFolders.empty())
            text.append(result.scratchFolders);
        else
            text.append(" (").append(fileio::errorText(result.error)).append(")");
        return text;
    };
    switch (result.failure) {
    case CheckFailure::None:
        return {};
    case CheckFailure::CannotOpen:
        return fileio::errorText(result.error);
    case CheckFailure::NotRegularFile:
        return "not a regular file";
    case CheckFailure::Empty:
        return "the file is empty";
    case CheckFailure::ByteOrderMark:
        return "it starts with a UTF-8 byte-order mark";
    case CheckFailure::Utf16:
        return "it is UTF-16 text";
    case CheckFailure::BlankFirstLine:
        return "its first line is blank";
    case CheckFailure::CommentFirstLine:
        return "its first line is a comment";
    case CheckFailure::NoHashFirstLine:
        return "its first line does not begin with \"#\"";
    case CheckFailure::ScratchNotCreated:
        return withError(messages::scratchNotCreated);
    case CheckFailure::ScratchNotWritten:
        return withError(messages::scratchNotWritten);
    case CheckFailure::ScratchNotRead:
        return withError(messages::scratchNotRead);
    case CheckFailure::ChartNotRead:
        return withError(messages::chartNotRead);
    case CheckFailure::NoNotesBlock:
        return "no #NOTES block, so no notes were checked";
    }
    return {};
}

} // namespace quillet
