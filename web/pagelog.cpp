#include "pagelog.h"

#include "pagebridge.h"

namespace {

constexpr std::size_t pieceSize = 64 * 1024;

} // namespace

void PageLog::addMessage(std::string_view message)
{
    m_held.append(message).push_back('\n');
    if (m_held.size() >= pieceSize)
        flush();
}

void PageLog::flush()
{
    if (!m_held.empty())
        pageAddLog(m_held.data(), m_held.size());
    m_held.clear();
}
