#include "mendhints.h"

#include "chartreader.h"
#include "fileio.h"

namespace quillet {

namespace {

constexpr std::size_t readSize = std::size_t(1) << 18;

// A chart opened by its path, closed with the reader.
class OpenedChart : public DescriptorReader
{
public:
    explicit OpenedChart(int descriptor)
        : DescriptorReader(descriptor)
    { }
    ~OpenedChart() override { (void)quillet::fileio::close(descriptor()); }
    OpenedChart(const OpenedChart &) = delete;
    OpenedChart &operator=(const OpenedChart &) = delete;
};

std::unique_ptr<ChartReader> openFile(const std::string &path)
{
    int error = quillet::fileio::noError;
    const int descriptor = quillet::fileio::openForReading(path, error);
    if (descriptor < 0)
        return nullptr;
    return std::make_unique<OpenedChart>(descriptor);
}

} // namespace

MendHints::MendHints()
    : m_open(openFile)
{ }

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
    m_mendable = 0;
}

void MendHints::close()
{
    m_reader.reset();
    m_mender.reset();
}

const quillet::MeasureMend *MendHints::find(std::uint64_t line)
{
    // Opened at the first finding: a chart without one costs nothing.
    if (!m_opened && !m_path.empty()) {
        m_opened = true;
        m_reader = m_open(m_path);
        if (m_reader) {
            if (!m_buffer)
                m_buffer.reset(new char[readSize]);
            m_mender = std::make_unique<quillet::Mender>(*this, m_everyChart);
        }
    }
    while (m_reader && m_lastLine < line) {
        int error = quillet::fileio::noError;
        const long long count = m_reader->read(m_buffer.get(), readSize, error);
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
    if (mend.isMended()) {
        m_mends.push_back(mend);
        ++m_mendable;
    }
}

} // namespace quillet
