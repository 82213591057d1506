#include "platform/framework/ScriptLexer.h"

#include "platform/text/Cp932.h"

namespace framework {

namespace {

bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

char ScriptLexer::Peek(std::size_t ahead) const {
    return m_pos + ahead < m_source.size() ? m_source[m_pos + ahead] : '\0';
}

bool ScriptLexer::SkipSpaceAndComments(std::string& error) {
    while (m_pos < m_source.size()) {
        const char c = m_source[m_pos];
        if (c == '\n') {
            ++m_line;
            ++m_pos;
            m_atLineStart = true;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++m_pos;
        } else if (c == '/' && Peek(1) == '/') {
            while (m_pos < m_source.size() && m_source[m_pos] != '\n') {
                ++m_pos;
            }
        } else if (c == '/' && Peek(1) == '*') {
            const std::size_t end = m_source.find("*/", m_pos + 2);
            if (end == std::string_view::npos) {
                error = "unterminated comment";
                return false;
            }
            for (std::size_t i = m_pos; i < end; ++i) {
                m_line += m_source[i] == '\n' ? 1 : 0;
            }
            m_pos = end + 2;
        } else {
            return true;
        }
    }
    return true;
}

bool ScriptLexer::Next(Token& token, std::string& error) {
    if (!SkipSpaceAndComments(error)) {
        return false;
    }
    token = Token{};
    token.line = m_line;
    if (m_pos >= m_source.size()) {
        return true;
    }
    const bool atLineStart = m_atLineStart;
    m_atLineStart = false;
    const char c = m_source[m_pos];
    if (c == '#') {
        if (!atLineStart) {
            error = "'#' not at the start of a line";
            return false;
        }
        ++m_pos;
        ReadName(token);
        token.kind = TokenKind::Directive;
        return true;
    }
    if (c == '"') {
        return ReadString(token, error);
    }
    if (IsDigit(c)) {
        return ReadNumber(token, error);
    }
    if (IsNameStart(c)) {
        ReadName(token);
        return true;
    }
    if (c == ',' || c == '|' || c == '{' || c == '}' || c == '(' || c == ')' || c == '-') {
        token.kind = TokenKind::Punct;
        token.text = std::string(1, c);
        ++m_pos;
        return true;
    }
    error = "unexpected character";
    return false;
}

void ScriptLexer::ReadName(Token& token) {
    token.kind = TokenKind::Name;
    const std::size_t start = m_pos;
    while (m_pos < m_source.size() && (IsNameStart(m_source[m_pos]) || IsDigit(m_source[m_pos]))) {
        ++m_pos;
    }
    token.text = std::string(m_source.substr(start, m_pos - start));
}

bool ScriptLexer::ReadNumber(Token& token, std::string& error) {
    token.kind = TokenKind::Number;
    std::uint64_t value = 0;
    const bool hex = Peek() == '0' && (Peek(1) == 'x' || Peek(1) == 'X');
    const std::uint64_t base = hex ? 16 : 10;
    m_pos += hex ? 2 : 0;
    int digits = 0;
    for (int digit = HexDigit(Peek()); digit >= 0 && (hex || digit < 10);
         digit = HexDigit(Peek())) {
        value = value * base + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu) {
            error = "number too large";
            return false;
        }
        ++digits;
        ++m_pos;
    }
    if (digits == 0 || IsNameStart(Peek())) {
        error = "malformed number";
        return false;
    }
    token.value = static_cast<std::int64_t>(value);
    return true;
}

bool ScriptLexer::ReadString(Token& token, std::string& error) {
    token.kind = TokenKind::String;
    ++m_pos;
    while (true) {
        if (m_pos >= m_source.size() || m_source[m_pos] == '\n') {
            error = "unterminated string";
            return false;
        }
        const char c = m_source[m_pos++];
        if (text::IsLeadByte(static_cast<unsigned char>(c)) && m_pos < m_source.size() &&
            m_source[m_pos] != '\n') {
            token.text += c;
            token.text += m_source[m_pos++];
        } else if (c == '"' && Peek() == '"') {
            token.text += '"';
            ++m_pos;
        } else if (c == '"') {
            return true;
        } else if (c == '\\') {
            const char escaped = Peek();
            ++m_pos;
            switch (escaped) {
            case '"':
            case '\\':
                token.text += escaped;
                break;
            case 'r':
                token.text += '\r';
                break;
            case 'n':
                token.text += '\n';
                break;
            case 't':
                token.text += '\t';
                break;
            default:
                error = "unknown escape in string";
                return false;
            }
        } else {
            token.text += c;
        }
    }
}

} // namespace framework
