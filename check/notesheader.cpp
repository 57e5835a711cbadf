#include "notesheader.h"

#include "chartrules.h"

namespace quillet {

namespace {

std::string trimmed(const std::string &text)
{
    const auto begin = text.find_first_not_of(" \t");
    return begin == text.npos ? "" : text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

} // namespace

void NotesHeader::reset()
{
    *this = NotesHeader();
}

void NotesHeader::read(const char *data, std::size_t size)
{
    for (std::size_t i = 0; i < size && m_state != State::Done; ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            if (m_state == State::Tag)
                m_state = State::Idle;
            m_comment = m_slash = false;
            m_lineStart = true;
            continue;
        }
        if (m_lineStart) {
            m_lineStart = false;
            if (c == rules::measureEnd || c == rules::blockEnd) {
                // The notes begin: the name is settled.
                m_state = State::Done;
                continue;
            }
            if (c == '#') {
                m_state = State::Tag;
                m_matched = 0;
            } else if (m_state == State::Tag) {
                m_state = State::Idle;
            } else if (m_state == State::Fields) {
                append(' ');
            }
        }
        if (m_state == State::Tag) {
            // "#NOTES:" in any letter case; a later tag starts the name again.
            const bool matches = m_matched < rules::notesTag.size()
                ? rules::upper(c) == rules::notesTag[m_matched]
                : c == ':';
            if (!matches) {
                m_state = State::Idle;
            } else if (++m_matched > rules::notesTag.size()) {
                m_field = {};
                m_fields = 0;
                m_state = State::Fields;
            }
            continue;
        }
        if (m_state != State::Fields || m_comment)
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
