#pragma once

#include "messagesink.h"

#include <string>
#include <string_view>

namespace quillet {

// The log as one text: each message followed by CR LF, newest last. The tests' sink: they compare
// the whole log at once.
class LogText : public MessageSink
{
public:
    /// Appends message and then CR LF.
    void addMessage(std::string_view message) override
    {
        m_text.append(message);
        m_text.append(lineEnd);
    }
    const std::string &text() const { return m_text; }

    /// The line end that follows every message.
    static constexpr std::string_view lineEnd = "\r\n";

private:
    std::string m_text;
};

} // namespace quillet
