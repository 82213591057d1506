#pragma once
// A byte string in code page 932, with the formatting the system uses
// ("%I64d" and "%I64X" included).
#include "platform/kernel/Types.h"

#include <string>

class CString {
public:
    CString() = default;
    CString(const char* text) : m_text(text == nullptr ? "" : text) {}
    CString(const char* text, int length) : m_text(text, static_cast<std::size_t>(length)) {}
    CString(std::string text) : m_text(std::move(text)) {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    // Keeps the storage already held, so a string reused for many texts allocates once.
    void SetString(const char* text, int length) {
        m_text.assign(text, static_cast<std::size_t>(length));
    }
    const char* GetString() const { return m_text.c_str(); }
    operator const char*() const { return m_text.c_str(); }
    const std::string& str() const { return m_text; }

    char GetAt(int index) const { return m_text[static_cast<std::size_t>(index)]; }
    char operator[](int index) const { return GetAt(index); }

    CString& operator+=(const CString& other);
    CString& operator+=(const char* other);
    CString& operator+=(char c);
    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend CString operator+(const char* a, const CString& b);
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const char* b) { return a.m_text == b; }

    // The string resource of that number; FALSE, and empty, when there is none.
    BOOL LoadString(UINT id);

    void Format(const char* format, ...);
    void AppendFormat(const char* format, ...);

    // Out-of-range counts are clipped, as the framework does.
    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;
    int Find(const char* text, int start = 0) const;
    int Find(char c, int start = 0) const;
    int Remove(char c);
    CString& TrimLeft();
    CString& TrimRight();

private:
    std::string m_text;
};
