#include "jsonreport.h"

#include "checkfailure.h"
#include "lineoutput.h"
#include "messages.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUILLET_HAVE_SSE2 1
#endif

namespace {

// The length of the valid UTF-8 sequence at the start of text, or 0.
std::size_t utf8Length(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length;
    unsigned min, max; // the range the second byte may take
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, min = 0x80, max = 0xBF;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        // No overlong forms, no surrogates.
        length = 3, min = lead == 0xE0 ? 0xA0 : 0x80, max = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, min = lead == 0xF0 ? 0x90 : 0x80, max = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < min || byte(1) > max)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    }
    return length;
}

// How many bytes text begins with that need no escape, in steps of 16 where it can.
std::size_t plainPrefix(std::string_view text)
{
    std::size_t plain = 0;
#ifdef QUILLET_HAVE_SSE2
    // Signed bytes: below 0x20 are the control characters and every byte from 0x80.
    for (; plain + 16 <= text.size(); plain += 16) {
        const __m128i bytes
            = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text.data() + plain));
        const __m128i escaped = _mm_or_si128(_mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20)),
            _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('"')),
                _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\'))));
        if (const int mask = _mm_movemask_epi8(escaped))
            return plain + unsigned(std::countr_zero(unsigned(mask)));
    }
#endif
    return plain;
}

void appendString(std::string &out, std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    while (!text.empty()) {
        // Plain ASCII goes out in one piece: the log's lines are nothing else.
        std::size_t plain = plainPrefix(text);
        while (
            plain < text.size() && text[plain] >= 0x20 && text[plain] != '"' && text[plain] != '\\')
            ++plain;
        out.append(text.substr(0, plain));
        text.remove_prefix(plain);
        if (text.empty())
            break;
        const auto c = static_cast<unsigned char>(text[0]);
        std::size_t length = 1;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else if (c < 0x80) {
            out += char(c);
        } else if ((length = utf8Length(text)) > 0) {
            out.append(text.substr(0, length));
        } else {
            length = 1;
            out += "\\udc";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
        text.remove_prefix(length);
    }
    out += '"';
}

std::string_view verdict(quillet::CheckOutcome outcome)
{
    switch (outcome) {
    case quillet::CheckOutcome::Ok:
        return "ok";
    case quillet::CheckOutcome::Problems:
        return "problems";
    case quillet::CheckOutcome::Incorrect:
        return "incorrect";
    case quillet::CheckOutcome::CouldNotCheck:
    case quillet::CheckOutcome::Abandoned:
        break;
    }
    return "not-checked";
}

} // namespace

void JsonReport::addMessage(std::string_view message)
{
    beginLog();
    if (!m_first)
        m_piece += ',';
    m_first = false;
    appendString(m_piece, message);
    send();
}

void JsonReport::addMeasureMessages(std::uint64_t beat, std::uint64_t rows)
{
    beginLog();
    if (!m_piece.empty())
        send();
    // Both are plain text: made on the stack, no escape needed, and handed over whole.
    char elements[128];
    char *out = elements;
    const auto element = [&out](std::string_view text, std::uint64_t number) {
        *out++ = '"';
        out = std::copy(text.begin(), text.end(), out);
        out = std::to_chars(out, out + 20, number).ptr;
        *out++ = '"';
    };
    if (!m_first)
        *out++ = ',';
    m_first = false;
    element(quillet::messages::problemAtBeat, beat);
    *out++ = ',';
    element(quillet::messages::measureSize, rows);
    m_output.append({elements, std::size_t(out - elements)});
}

void JsonReport::beginChart(std::string name)
{
    Report::beginChart(std::move(name));
    m_block = 0;
}

void JsonReport::blockBegins(std::uint64_t number, std::string_view name)
{
    m_block = number - 1;
    begin(name);
}

void JsonReport::measureProblem(const quillet::MeasureProblem &problem)
{
    begin({});
    if (!m_piece.empty())
        send();
    // Made on the stack and handed over whole: a chart can have a million faulty measures.
    char object[160];
    char *out = object;
    const auto field = [&out](std::string_view name, std::uint64_t value) {
        out = std::copy(name.begin(), name.end(), out);
        out = std::to_chars(out, out + 20, value).ptr;
    };
    field(m_first ? "{\"beat\":" : ",{\"beat\":", problem.beat);
    m_first = false;
    field(",\"rows\":", problem.rows);
    field(",\"line\":", problem.line);
    field(",\"blankRows\":", problem.blankRows);
    *out++ = '}';
    m_output.append({object, std::size_t(out - object)});
}

void JsonReport::endBlock(const quillet::CheckResult &result)
{
    beginLog();
    m_piece.append("],\"verdict\":\"").append(verdict(result.outcome)).append("\"");
    if (result.failure != quillet::CheckFailure::None) {
        m_piece.append(",\"reason\":");
        appendString(m_piece, quillet::failureReason(result));
    }
    m_piece.append("}").append(m_end);
    send();
    m_output.endLine();
    m_part = Part::None;
}

// The object's head, at the first thing known of a block; a block that failed before it began
// is numbered after the one before.
void JsonReport::begin(std::string_view name)
{
    if (m_part != Part::None)
        return;
    ++m_block;
    m_piece += "{\"path\":";
    appendString(m_piece, m_name);
    if (m_options.everyChart) {
        m_piece.append(",\"block\":").append(std::to_string(m_block)).append(",\"name\":");
        if (name.empty())
            m_piece += "null";
        else
            appendString(m_piece, name);
    }
    m_piece += ",\"measures\":[";
    m_part = Part::Measures;
    m_first = true;
}

void JsonReport::beginLog()
{
    begin({});
    if (m_part == Part::Log)
        return;
    m_piece += "],\"log\":[";
    m_part = Part::Log;
    m_first = true;
}

void JsonReport::send()
{
    m_output.append(m_piece);
    m_piece.clear();
}
