#include "logtext.h"

namespace quillet {

void LogText::addMessage(std::string_view message)
{
    m_text.append(message);
    m_text.append(lineEnd);
}

} // namespace quillet
