#pragma once

#include "messagesink.h"

#include <string>

// The log of the page's check, one message a line as the window shows it, handed to the page in
// pieces of a few dozen KiB: a chart with a million faulty measures does not hold its whole log
// in the module's memory, and the page shows the log as it fills.
class PageLog : public quillet::MessageSink
{
public:
    void addMessage(std::string_view message) override;
    /// Hands over what is held.
    void flush();

private:
    std::string m_held;
};
