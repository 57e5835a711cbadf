#pragma once

#include <string>
#include <string_view>

namespace quillet {

// Where quillet-check's standard output or standard error goes: a file descriptor for the
// program, a string for the tests, a callback for a page that shows the output as it comes.
class OutputSink
{
public:
    virtual ~OutputSink() = default;

    /// Writes all of data, in one write where the system allows; returns the system's error
    /// number, 0 on success.
    virtual int write(std::string_view data) = 0;
    /// True when writes share a pipe with other programs: each then stays whole only up to the
    /// pipe's atomic size.
    virtual bool isPipe() const { return false; }
};

// A file descriptor: standard output or standard error.
class DescriptorSink : public OutputSink
{
public:
    explicit DescriptorSink(int descriptor);

    /// On a descriptor left non-blocking by the parent, waits for room rather than fail.
    int write(std::string_view data) override;
    bool isPipe() const override { return m_isPipe; }

private:
    int m_descriptor;
    bool m_isPipe = false;
};

// Everything written, in one string.
class StringSink : public OutputSink
{
public:
    explicit StringSink(bool isPipe = false)
        : m_isPipe(isPipe)
    { }

    int write(std::string_view data) override
    {
        m_text.append(data);
        ++m_writes;
        return 0;
    }
    bool isPipe() const override { return m_isPipe; }

    const std::string &text() const { return m_text; }
    int writes() const { return m_writes; }

private:
    std::string m_text;
    int m_writes = 0;
    bool m_isPipe;
};

} // namespace quillet
