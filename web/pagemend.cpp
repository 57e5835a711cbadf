#include "pagemend.h"

#include "pagebridge.h"

namespace {

constexpr std::size_t pieceSize = std::size_t(1) << 20;

} // namespace

void PageMend::write(std::string_view bytes)
{
    m_held.append(bytes);
    if (m_held.size() >= pieceSize)
        flush();
}

void PageMend::flush()
{
    if (!m_held.empty())
        pageAddMended(m_held.data(), m_held.size());
    m_held.clear();
}
