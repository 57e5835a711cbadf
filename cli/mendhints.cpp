#include "mendhints.h"

#include "chartreader.h"
#include "fileio.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

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
            startMend();
        }
    }
    // The check has read the measure's last line, but maybe not to its end.
    while (m_tee != nullptr && m_mender && m_lastLine < line && m_tee->readAhead()) { }
    while (m_reader && m_lastLine < line) {
        int error = quillet::fileio::noError;
        const long long count = m_reader->read(m_buffer.get(), readSize, error);
        if (count <= 0) {
            // A last measure with no line end after it is mended too.
            if (count == 0)
                m_mender->finish();
            close();
            break;
        }
        m_mender->feed(m_buffer.get(), std::size_t(count));
    }
    while (!m_mends.empty() && m_mends.front().line < line)
        m_mends.pop_front();
    return !m_mends.empty() && m_mends.front().line == line ? &m_mends.front() : nullptr;
}

void MendHints::share(HintsTee *tee)
{
    m_tee = tee;
    if (tee != nullptr && !m_opened) {
        m_opened = true;
        startMend();
    }
}

void MendHints::startMend()
{
    m_mender = std::make_unique<quillet::Mender>(*this, m_everyChart);
}

void MendHints::feed(const char *data, std::size_t size)
{
    if (m_mender)
        m_mender->feed(data, size);
}

void MendHints::finish()
{
    if (m_mender)
        m_mender->finish();
}

void MendHints::keep(std::string_view bytes)
{
    if (m_mendOutput != nullptr)
        m_mendOutput->keep(bytes);
}

void MendHints::drop(std::string_view line)
{
    if (m_mendOutput != nullptr)
        m_mendOutput->drop(line);
}

void MendHints::add(std::string_view line)
{
    if (m_mendOutput != nullptr)
        m_mendOutput->add(line);
}

void MendHints::faultyMeasure(const quillet::MeasureMend &mend)
{
    if (m_mendOutput != nullptr)
        m_mendOutput->faultyMeasure(mend);
    m_lastLine = mend.line;
    if (mend.isMended()) {
        m_mends.push_back(mend);
        ++m_mendable;
    }
}

HintsTee::HintsTee(ChartReader &source, MendHints &hints)
    : m_source(source)
    , m_hints(hints)
{
    hints.share(this);
}

HintsTee::~HintsTee()
{
    m_hints.share(nullptr);
}

long long HintsTee::read(char *data, std::size_t size, int &error)
{
    if (m_aheadStart < m_ahead.size()) {
        const std::size_t count = std::min(size, m_ahead.size() - m_aheadStart);
        std::memcpy(data, m_ahead.data() + m_aheadStart, count);
        m_aheadStart += count;
        if (m_aheadStart == m_ahead.size()) {
            m_ahead.clear();
            m_aheadStart = 0;
        }
        return (long long)count;
    }
    if (m_ended) {
        error = m_error;
        return m_error != 0 ? -1 : 0;
    }
    const long long count = m_source.read(data, size, error);
    if (count > 0)
        m_hints.feed(data, std::size_t(count));
    else
        ended(count, error);
    return count;
}

bool HintsTee::readAhead(bool keep)
{
    if (m_ended)
        return false;
    if (!keep) {
        m_ahead.clear();
        m_aheadStart = 0;
    } else if (m_aheadStart > 0) {
        m_ahead.erase(0, m_aheadStart);
        m_aheadStart = 0;
    }
    const std::size_t before = m_ahead.size();
    m_ahead.resize(before + readSize);
    int error = quillet::fileio::noError;
    const long long count = m_source.read(m_ahead.data() + before, readSize, error);
    m_ahead.resize(before + std::size_t(std::max(count, 0LL)));
    if (count <= 0) {
        ended(count, error);
        return false;
    }
    m_hints.feed(m_ahead.data() + before, std::size_t(count));
    if (!keep)
        m_ahead.clear();
    return true;
}

bool HintsTee::readRest()
{
    while (readAhead(false)) { }
    return m_error == 0;
}

void HintsTee::ended(long long count, int error)
{
    m_ended = true;
    if (count < 0) {
        m_error = error != 0 ? error : EIO;
        // What the hints hold stays; they find no more.
        m_hints.close();
    } else {
        m_hints.finish();
    }
}

} // namespace quillet
