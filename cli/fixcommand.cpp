#include "fixcommand.h"

#include "fileio.h"
#include "lineoutput.h"
#include "menddiff.h"
#include "outputsink.h"
#include "replacefile.h"
#include "report.h"

#include <filesystem>
#include <memory>

namespace quillet {

namespace {

constexpr std::size_t bufferSize = std::size_t(1) << 18;
constexpr std::size_t writeBackSize = std::size_t(8) << 20;

// Writes through a buffer to a descriptor; the first error stops it.
class BufferedWrite
{
public:
    void to(int descriptor) { m_descriptor = descriptor; }
    void write(std::string_view bytes)
    {
        if (m_error != 0)
            return;
        if (m_size + bytes.size() > bufferSize)
            flush();
        if (bytes.size() >= bufferSize) {
            m_error = quillet::fileio::writeAll(m_descriptor, bytes.data(), bytes.size());
            return;
        }
        std::copy(bytes.begin(), bytes.end(), m_buffer.get() + m_size);
        m_size += bytes.size();
    }
    void flush()
    {
        if (m_error == 0 && m_size > 0)
            m_error = quillet::fileio::writeAll(m_descriptor, m_buffer.get(), m_size);
        m_size = 0;
    }
    int error() const { return m_error; }

private:
    std::unique_ptr<char[]> m_buffer {new char[bufferSize]};
    std::size_t m_size = 0;
    int m_descriptor = -1;
    int m_error = 0;
};

// The mended chart into its replacement, which is only made at the first measure mended: a
// chart with nothing to mend leaves no trace in its folder. The bytes passed before that are
// copied from the chart then.
class ReplacementOutput : public quillet::MendOutput
{
public:
    ReplacementOutput(const std::string &path, int chart)
        : m_path(path)
        , m_file(path, chart)
    { }

    void keep(std::string_view bytes) override { pass(bytes); }
    void drop(std::string_view line) override
    {
        if (!m_started)
            m_passed += line.size();
    }
    void add(std::string_view line) override { write(line); }
    void faultyMeasure(const quillet::MeasureMend &mend) override
    {
        if (mend.isMended() && !m_started)
            start();
    }

    quillet::ReplacementFile &file() { return m_file; }
    /// Why the replacement is not whole, None when it is.
    quillet::ReplaceFailure failure()
    {
        m_write.flush();
        if (m_failure == quillet::ReplaceFailure::None && m_write.error() != 0) {
            m_failure = quillet::ReplaceFailure::NotWritten;
            m_error = m_write.error();
        }
        return m_failure;
    }
    int error() const
    {
        return m_failure == quillet::ReplaceFailure::NotCreated ? m_file.error() : m_error;
    }

private:
    void pass(std::string_view bytes)
    {
        if (m_started)
            write(bytes);
        else
            m_passed += bytes.size();
    }
    void write(std::string_view bytes)
    {
        m_write.write(bytes);
        // The disk writes while the chart is read, rather than all at the flush at the end.
        m_unsynced += bytes.size();
        if (m_unsynced >= writeBackSize) {
            m_file.startWriteBack();
            m_unsynced = 0;
        }
    }
    void start()
    {
        m_started = true;
        m_failure = m_file.create();
        if (m_failure != quillet::ReplaceFailure::None)
            return;
        m_write.to(m_file.descriptor());
        int error = quillet::fileio::noError;
        const int chart = quillet::fileio::openForReading(m_path, error);
        std::unique_ptr<char[]> buffer(new char[bufferSize]);
        while (chart >= 0 && m_passed > 0) {
            const long long count = quillet::fileio::readSome(chart, buffer.get(),
                m_passed < bufferSize ? std::size_t(m_passed) : bufferSize, error);
            if (count <= 0)
                break;
            m_write.write({buffer.get(), std::size_t(count)});
            m_passed -= std::uint64_t(count);
        }
        if (chart >= 0)
            (void)quillet::fileio::close(chart);
        // A chart shorter now than what was read has changed: commit says so.
        if (m_passed > 0 && m_failure == quillet::ReplaceFailure::None) {
            m_failure = quillet::ReplaceFailure::Changed;
            m_error = error;
        }
    }

    std::string m_path;
    quillet::ReplacementFile m_file;
    BufferedWrite m_write;
    std::uint64_t m_passed = 0; // bytes of the chart passed before the replacement was made
    std::uint64_t m_unsynced = 0; // bytes written since the last write-back began
    bool m_started = false;
    quillet::ReplaceFailure m_failure = quillet::ReplaceFailure::None;
    int m_error = 0;
};

// The mended chart to standard output, and to a descriptor for its check.
class StreamOutput : public quillet::MendOutput
{
public:
    StreamOutput(OutputSink &output, int copy)
        : m_output(output)
    {
        m_copy.to(copy);
    }
    void keep(std::string_view bytes) override { write(bytes); }
    void drop(std::string_view) override { }
    void add(std::string_view line) override { write(line); }
    int flush()
    {
        m_copy.flush();
        if (m_error == 0 && !m_pending.empty())
            m_error = m_output.write(m_pending);
        m_pending.clear();
        return m_error != 0 ? m_error : m_copy.error();
    }

private:
    void write(std::string_view bytes)
    {
        m_copy.write(bytes);
        m_pending.append(bytes);
        if (m_pending.size() >= bufferSize) {
            if (m_error == 0)
                m_error = m_output.write(m_pending);
            m_pending.clear();
        }
    }
    OutputSink &m_output;
    std::string m_pending;
    BufferedWrite m_copy;
    int m_error = 0;
};

std::string countText(const quillet::Mender &mender)
{
    return "mended " + std::to_string(mender.mendedMeasures()) + " of "
        + std::to_string(mender.faultyMeasures()) + " faulty measures";
}

} // namespace

FixCommand::FixCommand(LineOutput &output, bool everyChart)
    : m_output(output)
    , m_everyChart(everyChart)
{ }

void FixCommand::refuse(const std::string &path, const std::string &reason)
{
    m_output.writeError(escapedName(path) + ": not mended: " + reason);
}

int FixCommand::fix(const std::string &path)
{
    // A chart that cannot be read is the check's to report.
    int error = quillet::fileio::noError;
    const int chart = quillet::fileio::openForReading(path, error);
    if (chart < 0)
        return 0;
    if (!quillet::fileio::isRegularFile(chart)) {
        (void)quillet::fileio::close(chart);
        return 0;
    }
    // A link stays a link: the file it names is mended, and kept as its .old beside it.
    std::error_code linkError;
    const std::string target = std::filesystem::is_symlink(path, linkError)
        ? std::filesystem::canonical(path, linkError).string()
        : path;
    ReplacementOutput output(target, chart);
    quillet::Mender mender(output, m_everyChart);
    error = mender.mendFrom(chart);
    (void)quillet::fileio::close(chart);
    if (error != 0 || mender.mendedMeasures() == 0)
        return 0;

    using quillet::ReplaceFailure;
    ReplaceFailure failure = output.failure();
    if (failure == ReplaceFailure::None)
        failure = output.file().commit();
    const int reason
        = failure == ReplaceFailure::NotCreated || failure == ReplaceFailure::NotWritten
        ? output.error()
        : output.file().error();
    switch (failure) {
    case ReplaceFailure::None:
        m_output.writeError(escapedName(path) + ": " + countText(mender) + " (the original is "
            + escapedName(output.file().oldPath()) + ")");
        return 0;
    case ReplaceFailure::NotCreated:
        refuse(path, "cannot write in its folder (" + quillet::fileio::errorText(reason) + ")");
        break;
    case ReplaceFailure::NotWritten:
        refuse(path, "cannot write the mended chart (" + quillet::fileio::errorText(reason) + ")");
        break;
    case ReplaceFailure::OldExists:
        refuse(path, escapedName(output.file().oldPath()) + " already exists");
        break;
    case ReplaceFailure::Changed:
        refuse(path, "it changed while it was being mended");
        break;
    case ReplaceFailure::NotRenamed:
        refuse(path, "cannot replace it (" + quillet::fileio::errorText(reason) + ")");
        break;
    }
    return 2;
}

int FixCommand::diff(const std::string &path)
{
    int error = quillet::fileio::noError;
    const bool fromInput = path == "-";
    const int chart = fromInput ? 0 : quillet::fileio::openForReading(path, error);
    if (chart >= 0 && !fromInput && !quillet::fileio::isRegularFile(chart)) {
        (void)quillet::fileio::close(chart);
        error = EISDIR;
    } else if (chart >= 0) {
        MendDiff output(m_output, path);
        quillet::Mender mender(output, m_everyChart);
        error = mender.mendFrom(chart);
        if (!fromInput)
            (void)quillet::fileio::close(chart);
        if (error == 0) {
            output.finish();
            return mender.mendedMeasures() > 0 ? 1 : 0;
        }
    }
    m_output.writeError(
        escapedName(path) + ": cannot read it (" + quillet::fileio::errorText(error) + ")");
    return 2;
}

int FixCommand::fixStream(int input, OutputSink &output)
{
    const std::string name = "(standard input)";
    int error = quillet::fileio::noError;
    const int copy = quillet::fileio::createAnonymous(quillet::fileio::temporaryFolder(), error);
    if (copy < 0) {
        m_output.writeError(
            name + ": cannot make a scratch file (" + quillet::fileio::errorText(error) + ")");
        return -1;
    }
    StreamOutput out(output, copy);
    quillet::Mender mender(out, m_everyChart);
    error = mender.mendFrom(input);
    if (error == 0)
        error = out.flush();
    if (error == 0)
        error = quillet::fileio::rewind(copy);
    if (error != 0) {
        m_output.writeError(name + ": not mended (" + quillet::fileio::errorText(error) + ")");
        (void)quillet::fileio::close(copy);
        return -1;
    }
    if (mender.faultyMeasures() > 0)
        m_output.writeError(name + ": " + countText(mender));
    return copy;
}

} // namespace quillet
