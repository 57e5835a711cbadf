#include "messagesink.h"

#include "messages.h"

#include <algorithm>
#include <charconv>

namespace quillet {

void MessageSink::addMeasureMessages(std::uint64_t beat, std::uint64_t rows)
{
    // Both texts are short: each message is made on the stack.
    const auto add = [this](std::string_view text, std::uint64_t number) {
        char message[64];
        std::copy(text.begin(), text.end(), message);
        char *const end
            = std::to_chars(message + text.size(), message + sizeof message, number).ptr;
        addMessage({message, std::size_t(end - message)});
    };
    add(messages::problemAtBeat, beat);
    add(messages::measureSize, rows);
}

} // namespace quillet
