#include "wintext.h"

#include <windows.h>

namespace quillet {

std::wstring toWide(std::string_view text)
{
    if (text.empty())
        return {};
    const int size = int(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(std::size_t(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string toNarrow(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int size = int(text.size());
    const int length
        = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(std::size_t(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

} // namespace quillet
