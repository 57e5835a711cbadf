#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace quillet {

// Reads a note block's name from its #NOTES header, from the tag line on: the fields after the
// tag, whether on the tag's own line or on the lines after it, indented or not. Only the steps
// type, description, difficulty and meter are kept, each cut to a few dozen bytes. A later
// "#NOTES:" line starts the name again; the first line that begins with ',' or ';' settles it.
class NotesHeader
{
public:
    /// Forgets everything, for a new block whose tag line comes next.
    void reset();
    /// The block's next bytes; costs nothing once the header is read.
    void read(const char *data, std::size_t size);

    /// "steps-type difficulty meter", those of them that were read.
    std::string name() const;

private:
    enum class State { Idle, Tag, Fields, Done };
    static constexpr std::size_t fieldCount = 4;
    static constexpr std::size_t maxField = 64;

    void append(char c);
    void endField();

    State m_state = State::Idle;
    std::size_t m_matched = 0; // bytes of "#NOTES:" matched on the tag's line
    bool m_lineStart = true; // the next byte begins a line
    bool m_slash = false; // the byte before was a '/'
    bool m_comment = false; // after "//" on this line
    std::size_t m_fields = 0; // fields complete
    std::array<std::string, fieldCount> m_field;
};

} // namespace quillet
