#include "platform/framework/CString.h"
#include "platform/framework/Resources.h"
#include "platform/text/Cp932.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <locale.h>

namespace {

// The texts the system formats (a position of "45.3300%", a rate) are the same on
// every desktop: the formatting runs in the "C" locale of the calling thread, whatever
// locale the window toolkit gave the process.
class ClassicLocale {
public:
    ClassicLocale() : m_previous(uselocale(Classic())) {}
    ~ClassicLocale() { uselocale(m_previous); }
    ClassicLocale(const ClassicLocale&) = delete;
    ClassicLocale& operator=(const ClassicLocale&) = delete;

private:
    static locale_t Classic() {
        static const locale_t classic = newlocale(LC_ALL_MASK, "C", nullptr);
        return classic;
    }
    locale_t m_previous;
};

// "%I64d" is the platform's spelling of "%lld"; only a conversion's size is changed.
std::string TranslateFormat(const char* format) {
    std::string translated;
    for (const char* p = format; *p != '\0'; ++p) {
        translated += *p;
        if (*p != '%')
            continue;
        while (p[1] != '\0' && std::strchr("-+ #0123456789.*", p[1]) != nullptr)
            translated += *++p;
        if (std::strncmp(p + 1, "I64", 3) == 0) {
            translated += "ll";
            p += 3;
        } else if (p[1] == '%') {
            translated += *++p;
        }
    }
    return translated;
}

std::string FormatList(const char* format, va_list arguments) {
    std::string pattern = TranslateFormat(format);
    const ClassicLocale classic;
    va_list copy;
    va_copy(copy, arguments);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int length = std::vsnprintf(nullptr, 0, pattern.c_str(), copy);
    va_end(copy);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), pattern.c_str(), arguments);
#pragma GCC diagnostic pop
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::size_t Clip(int value, std::size_t limit) {
    return value < 0 ? 0 : std::min(static_cast<std::size_t>(value), limit);
}

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

CString& CString::operator+=(const CString& other) {
    m_text += other.m_text;
    return *this;
}

CString& CString::operator+=(const char* other) {
    m_text += other == nullptr ? "" : other;
    return *this;
}

CString& CString::operator+=(char c) {
    m_text += c;
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    return CString(a.m_text + b.m_text);
}
CString operator+(const CString& a, const char* b) {
    return CString(a.m_text + b);
}
CString operator+(const char* a, const CString& b) {
    return CString(a + b.m_text);
}

BOOL CString::LoadString(UINT id) {
    *this = framework::Resources().String(static_cast<int>(id));
    return !IsEmpty();
}

void CString::Format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    m_text = FormatList(format, arguments);
    va_end(arguments);
}

void CString::AppendFormat(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    m_text += FormatList(format, arguments);
    va_end(arguments);
}

CString CString::Left(int count) const {
    return CString(m_text.substr(0, Clip(count, m_text.size())));
}

CString CString::Mid(int first) const {
    return CString(m_text.substr(Clip(first, m_text.size())));
}

CString CString::Mid(int first, int count) const {
    std::size_t start = Clip(first, m_text.size());
    return CString(m_text.substr(start, Clip(count, m_text.size() - start)));
}

CString CString::Right(int count) const {
    std::size_t n = Clip(count, m_text.size());
    return CString(m_text.substr(m_text.size() - n));
}

// Searches and removals walk characters: a trail byte is never taken for the
// one-byte character of the same value.
int CString::Find(const char* pattern, int start) const {
    const std::size_t from = Clip(start, m_text.size());
    const int found = text::FindAtCharBoundary(std::string_view(m_text).substr(from),
                                               pattern == nullptr ? "" : pattern);
    return found < 0 ? -1 : found + static_cast<int>(from);
}

int CString::Find(char c, int start) const {
    std::size_t found = text::FindChar(m_text, std::string_view(&c, 1), Clip(start, m_text.size()));
    return found == std::string::npos ? -1 : static_cast<int>(found);
}

int CString::Remove(char c) {
    std::string kept;
    kept.reserve(m_text.size());
    for (std::size_t i = 0; i < m_text.size();) {
        const std::size_t length = text::CharLength(m_text, i);
        if (length != 1 || m_text[i] != c)
            kept.append(m_text, i, length);
        i += length;
    }
    const int removed = static_cast<int>(m_text.size() - kept.size());
    m_text = std::move(kept);
    return removed;
}

CString& CString::TrimLeft() {
    auto first = std::find_if_not(m_text.begin(), m_text.end(), IsBlank);
    m_text.erase(m_text.begin(), first);
    return *this;
}

CString& CString::TrimRight() {
    while (!m_text.empty() && IsBlank(m_text.back()))
        m_text.pop_back();
    return *this;
}
