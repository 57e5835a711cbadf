#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace quillet {

// Reads a note block's name from its #NOTES header as the chart's lines go by: the fields after
// the tag, whether on the tag's own line or on the lines after it, indented or not. Only the
// steps type, description, difficulty and meter are kept, each cut to a few dozen bytes.
class NotesHeader
{
public:
    /// Forgets everything, for a new block.
    void reset();
    /// A line begins with first; its bytes, first included, follow through feed while isActive.
    void lineBegins(char first);
    /// Bytes of the line under way, its line end included or not.
    void feed(const char *data, std::size_t size);

    /// True while the bytes of the lines are wanted: on a line that begins with '#', and from a
    /// #NOTES tag until its meter has been read.
    bool isActive() const { return m_state != State::Idle; }
    /// "steps-type difficulty meter", those of them that were read; empty without a tag.
    std::string name() const;

private:
    enum class State { Idle, Tag, Fields };
    static constexpr std::size_t fieldCount = 4;
    static constexpr std::size_t maxField = 64;

    void append(char c);
    void endField();

    State m_state = State::Idle;
    std::size_t m_matched = 0; // bytes of "#NOTES:" matched on the tag's line
    bool m_slash = false; // the byte before was a '/'
    bool m_comment = false; // after "//" on this line
    std::size_t m_fields = 0; // fields complete
    std::array<std::string, fieldCount> m_field;
};

} // namespace quillet
