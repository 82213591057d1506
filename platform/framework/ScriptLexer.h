#pragma once
// Splits a resource script into tokens. Strings keep their code page 932 bytes;
// a trail byte that looks like a backslash or a quote stays part of its character.
#include <cstdint>
#include <string>
#include <string_view>

namespace framework {

enum class TokenKind { End, Name, Number, String, Punct, Directive };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;       // a name, a string's bytes, a punctuation mark, a directive's word
    std::int64_t value = 0; // a number's value
    int line = 1;
};

class ScriptLexer {
public:
    explicit ScriptLexer(std::string_view source) : m_source(source) {}

    // False with a reason when the text cannot be a token.
    bool Next(Token& token, std::string& error);
    int Line() const { return m_line; }

private:
    bool SkipSpaceAndComments(std::string& error);
    bool ReadNumber(Token& token, std::string& error);
    bool ReadString(Token& token, std::string& error);
    void ReadName(Token& token);
    char Peek(std::size_t ahead = 0) const;

    std::string_view m_source;
    std::size_t m_pos = 0;
    int m_line = 1;
    bool m_atLineStart = true;
};

} // namespace framework
