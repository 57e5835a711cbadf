#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>

namespace quillet {

// A buffer that starts on a page boundary: the kernel copies into and out of such a buffer
// several times faster than into one a few bytes off a cache line.
class PageBuffer
{
public:
    static constexpr std::size_t pageSize = 4096;

    /// size bytes, zeroed.
    explicit PageBuffer(std::size_t size)
        : m_data(static_cast<char *>(::operator new(size, std::align_val_t(pageSize))))
        , m_size(size)
    {
        std::fill_n(m_data.get(), size, char(0));
    }

    char *data() const { return m_data.get(); }
    std::size_t size() const { return m_size; }

private:
    struct Free
    {
        void operator()(char *data) const { ::operator delete(data, std::align_val_t(pageSize)); }
    };

    std::unique_ptr<char[], Free> m_data;
    std::size_t m_size;
};

} // namespace quillet
