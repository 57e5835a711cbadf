#pragma once

#include "outputsink.h"

#include <cstddef>

// quillet-check's output in the page: each write handed to the page's script as it comes, or
// dropped when there is no one to take it.
class PageSink : public quillet::OutputSink
{
public:
    using Deliver = void (*)(const char *data, std::size_t size);

    /// deliver may be null: the writes are then dropped.
    explicit PageSink(Deliver deliver)
        : m_deliver(deliver)
    { }

    int write(std::string_view data) override
    {
        if (m_deliver != nullptr && !data.empty())
            m_deliver(data.data(), data.size());
        return 0;
    }

private:
    Deliver m_deliver;
};
