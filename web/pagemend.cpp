#include "pagemend.h"

#include "pagebridge.h"

namespace {

constexpr std::size_t pieceSize = std::size_t(1) << 20;

} // namespace

void PageMend::keep(std::string_view bytes)
{
    if (m_mending)
        write(bytes);
    else
        m_untouched += bytes.size();
}

void PageMend::faultyMeasure(const quillet::MeasureMend &mend)
{
    if (!m_mending && mend.isMended()) {
        m_mending = true;
        pageMendBegins(double(m_untouched));
    }
}

void PageMend::reset()
{
    m_held.clear();
    m_untouched = 0;
    m_mending = false;
}

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
