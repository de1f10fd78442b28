// CString: the program's text type. It holds code page 932 (Shift-JIS) bytes, the encoding every
// text and path of the program is written in; conversion to UTF-16 happens only at the Win32
// boundary (Text.h). Searches for a character are double-byte aware, so the 0x5C trail byte of
// characters such as "ソ" (83 5C) or "表" (95 5C) is never taken for a backslash.
#pragma once

#include <string>

// True for the first byte of a two-byte character in code page 932.
constexpr bool IsLeadByte932(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

class CString
{
public:
    CString() = default;
    CString(const char* text) : m_text(text ? text : "") {}
    CString(const char* text, int length) : m_text(text, static_cast<size_t>(length)) {}
    explicit CString(std::string text) : m_text(std::move(text)) {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    const char* GetString() const { return m_text.c_str(); }
    operator const char*() const { return m_text.c_str(); }
    const std::string& Bytes() const { return m_text; }
    char GetAt(int index) const { return m_text.at(static_cast<size_t>(index)); }

    CString& operator=(const char* text);
    CString& operator+=(const CString& text);
    CString& operator+=(const char* text);
    CString& operator+=(char ch);

    // Position of the first (last) occurrence of ch as a whole character, or -1. A single-byte
    // ch never matches the trail byte of a double-byte character.
    int Find(char ch, int start = 0) const;
    int ReverseFind(char ch) const;
    // Position of the first occurrence of sub that starts on a character boundary, or -1.
    int Find(const char* sub, int start = 0) const;

    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;
    // The longest start of at most maxBytes bytes that ends on a character boundary.
    CString LeftWhole(int maxBytes) const;
    // Whether the text begins with prefix, ASCII letters compared without regard to case; the
    // second byte of a double-byte character is compared exactly, never folded as a letter.
    bool BeginsWithNoCase(const char* prefix) const;

    // Lower-cases the ASCII letters A-Z only; double-byte characters stay as they are, trail
    // bytes included.
    CString& MakeLower();
    CString& TrimLeft(char ch);
    CString& TrimRight(char ch);

    // printf-style formatting, as the framework's CString::Format. Pass texts as const char*.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const char* b) { return a.m_text == (b ? b : ""); }
    friend bool operator==(const char* a, const CString& b) { return b == a; }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    friend bool operator!=(const char* a, const CString& b) { return !(b == a); }

private:
    std::string m_text;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
CString operator+(const CString& a, char b);
