#pragma once

#include <cstddef>

namespace quillet {

// Where a chart's bytes come from: an open file, a pipe, or a browser's File.
class ChartReader
{
public:
    virtual ~ChartReader() = default;

    /// Reads up to size bytes into data; returns the count, 0 at the end, or -1 with the
    /// system's error number in error.
    virtual long long read(char *data, std::size_t size, int &error) = 0;
    /// The open file behind the reader, or -1: a scratch file is never made at it.
    virtual int descriptor() const { return -1; }
};

// A chart read from an open descriptor, which stays open.
class DescriptorReader : public ChartReader
{
public:
    explicit DescriptorReader(int descriptor)
        : m_descriptor(descriptor)
    { }

    long long read(char *data, std::size_t size, int &error) override;
    int descriptor() const override { return m_descriptor; }

private:
    int m_descriptor;
};

} // namespace quillet
