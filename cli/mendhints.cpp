#include "mendhints.h"

#include "fileio.h"

namespace quillet {

namespace {

constexpr std::size_t readSize = std::size_t(1) << 18;

} // namespace

MendHints::MendHints() = default;

MendHints::~MendHints()
{
    close();
}

void MendHints::beginChart(const std::string &path, bool everyChart)
{
    close();
    m_path = path;
    m_everyChart = everyChart;
    m_opened = false;
    m_mends.clear();
    m_lastLine = 0;
}

void MendHints::close()
{
    if (m_descriptor >= 0)
        (void)quillet::fileio::close(m_descriptor);
    m_descriptor = -1;
    m_mender.reset();
}

const quillet::MeasureMend *MendHints::find(std::uint64_t line)
{
    // Opened at the first finding: a chart without one costs nothing.
    if (!m_opened && !m_path.empty()) {
        m_opened = true;
        int error = quillet::fileio::noError;
        m_descriptor = quillet::fileio::openForReading(m_path, error);
        if (m_descriptor >= 0) {
            if (!m_buffer)
                m_buffer.reset(new char[readSize]);
            m_mender = std::make_unique<quillet::Mender>(*this, m_everyChart);
        }
    }
    while (m_descriptor >= 0 && m_lastLine < line) {
        int error = quillet::fileio::noError;
        const long long count
            = quillet::fileio::readSome(m_descriptor, m_buffer.get(), readSize, error);
        if (count <= 0) {
            close();
            break;
        }
        m_mender->feed(m_buffer.get(), std::size_t(count));
    }
    while (!m_mends.empty() && m_mends.front().line < line)
        m_mends.pop_front();
    return !m_mends.empty() && m_mends.front().line == line ? &m_mends.front() : nullptr;
}

void MendHints::faultyMeasure(const quillet::MeasureMend &mend)
{
    m_lastLine = mend.line;
    if (mend.isMended())
        m_mends.push_back(mend);
}

} // namespace quillet
