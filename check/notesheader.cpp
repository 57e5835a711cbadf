#include "notesheader.h"

#include <string_view>

namespace quillet {

namespace {

constexpr std::string_view notesTag = "#notes:";

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::string trimmed(const std::string &text)
{
    const auto begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

} // namespace

void NotesHeader::reset()
{
    *this = NotesHeader();
}

void NotesHeader::lineBegins(char first)
{
    m_slash = m_comment = false;
    if (first == '#') {
        m_state = State::Tag;
        m_matched = 0;
    } else if (m_state == State::Tag || first == ',' || first == ';') {
        // A tag line that was not #NOTES, or notes before the header was whole.
        m_state = State::Idle;
    } else if (m_state == State::Fields) {
        append(' ');
    }
}

void NotesHeader::feed(const char *data, std::size_t size)
{
    for (std::size_t i = 0; i < size && m_state != State::Idle; ++i) {
        const char c = data[i];
        if (m_state == State::Tag) {
            if (lower(c) != notesTag[m_matched]) {
                m_state = State::Idle;
            } else if (++m_matched == notesTag.size()) {
                reset();
                m_state = State::Fields;
            }
            continue;
        }
        if (c == '\r' || c == '\n') {
            m_comment = m_slash = false;
            continue;
        }
        if (m_comment)
            continue;
        if (m_slash) {
            m_slash = false;
            if (c == '/') {
                m_comment = true;
                continue;
            }
            append('/');
        }
        if (c == '/')
            m_slash = true;
        else if (c == ':')
            endField();
        else
            append(c);
    }
}

void NotesHeader::append(char c)
{
    if (m_field[m_fields].size() < maxField)
        m_field[m_fields] += c;
}

void NotesHeader::endField()
{
    m_field[m_fields] = trimmed(m_field[m_fields]);
    if (++m_fields == fieldCount)
        m_state = State::Idle;
}

std::string NotesHeader::name() const
{
    std::string name;
    for (const std::size_t field : {0, 2, 3}) {
        if (field >= m_fields || m_field[field].empty())
            continue;
        if (!name.empty())
            name += ' ';
        name += m_field[field];
    }
    return name;
}

} // namespace quillet
