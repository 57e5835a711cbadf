#include "jsonreport.h"

#include "lineoutput.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUILLET_HAVE_SSE2 1
#endif

namespace quillet {

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
std::size_t plainPrefix([[maybe_unused]] std::string_view text)
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

std::string_view verdict(CheckOutcome outcome)
{
    switch (outcome) {
    case CheckOutcome::Ok:
        return "ok";
    case CheckOutcome::Problems:
        return "problems";
    case CheckOutcome::Incorrect:
        return "incorrect";
    case CheckOutcome::CouldNotCheck:
    case CheckOutcome::Abandoned:
        break;
    }
    return "not-checked";
}

} // namespace

void JsonReport::beginChart(std::string name)
{
    Report::beginChart(std::move(name));
    m_path.clear();
    appendString(m_path, m_name);
    m_block = 0;
    m_began = false;
}

void JsonReport::blockBegins(std::uint64_t number, std::string_view name)
{
    m_block = number;
    m_began = true;
    m_blockName = name;
    m_measures = 0;
    makeHead("measure", m_measureHead);
}

void JsonReport::measureProblem(const MeasureProblem &problem)
{
    if (!m_began)
        blockBegins(m_block + 1, {});
    ++m_measures;
    // Made on the stack and handed over whole after the block's head: a chart can have a million
    // faulty measures.
    char record[128 + hintSize];
    char *out = record;
    const auto text
        = [&out](std::string_view part) { out = std::copy(part.begin(), part.end(), out); };
    const auto field = [&](std::string_view name, std::uint64_t value) {
        text(name);
        out = std::to_chars(out, out + 20, value).ptr;
    };
    field("\"beat\":", problem.beat);
    field(",\"rows\":", problem.rows);
    field(",\"line\":", problem.line);
    field(",\"blankRows\":", problem.blankRows);
    char hintBuffer[hintSize];
    if (const std::string_view hint = measureHint(problem, hintBuffer); hint.empty()) {
        text(",\"hint\":null}");
    } else {
        // Plain ASCII: no escape needed.
        text(",\"hint\":\"");
        text(hint);
        text("\"}");
    }
    text(m_end);
    m_output.append(m_measureHead);
    m_output.append({record, std::size_t(out - record)});
    m_output.endLine();
}

void JsonReport::endBlock(const CheckResult &result, std::string_view reason)
{
    // A block that failed before it began is numbered after the one before.
    if (!m_began) {
        ++m_block;
        m_blockName.clear();
        m_measures = 0;
    }
    makeHead("chart", m_record);
    m_record.append("\"verdict\":\"").append(verdict(result.outcome)).append("\",\"reason\":");
    if (reason.empty())
        m_record += "null";
    else
        appendString(m_record, reason);
    m_record.append(",\"measures\":").append(std::to_string(m_measures)).append("}").append(m_end);
    m_output.writeLine({}, m_record, {});
    m_began = false;
}

// {"type":TYPE,"path":...,"chart":N,"name":...,
void JsonReport::makeHead(std::string_view type, std::string &head) const
{
    head.assign("{\"type\":\"").append(type).append("\",\"path\":").append(m_path);
    head.append(",\"chart\":").append(std::to_string(m_block)).append(",\"name\":");
    if (m_blockName.empty())
        head += "null";
    else
        appendString(head, m_blockName);
    head += ',';
}

} // namespace quillet
