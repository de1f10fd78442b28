#include "framework/String.h"

#include <algorithm>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

CString& CString::operator=(const char* text)
{
    m_text = text ? text : "";
    return *this;
}

CString& CString::operator+=(const CString& text)
{
    m_text += text.m_text;
    return *this;
}

CString& CString::operator+=(const char* text)
{
    if (text)
        m_text += text;
    return *this;
}

CString& CString::operator+=(char ch)
{
    m_text += ch;
    return *this;
}

int CString::Find(char ch, int start) const
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_text.data());
    const int length = GetLength();
    int i = 0;
    while (i < length) {
        if (i >= start && bytes[i] == static_cast<unsigned char>(ch))
            return i;
        i += (IsLeadByte932(bytes[i]) && i + 1 < length) ? 2 : 1;
    }
    return -1;
}

int CString::ReverseFind(char ch) const
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_text.data());
    const int length = GetLength();
    int found = -1;
    int i = 0;
    while (i < length) {
        if (bytes[i] == static_cast<unsigned char>(ch))
            found = i;
        i += (IsLeadByte932(bytes[i]) && i + 1 < length) ? 2 : 1;
    }
    return found;
}

int CString::Find(const char* sub, int start) const
{
    const size_t subLength = std::strlen(sub);
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_text.data());
    const int length = GetLength();
    int i = 0;
    while (i < length) {
        if (i >= start && m_text.compare(static_cast<size_t>(i), subLength, sub) == 0)
            return i;
        i += (IsLeadByte932(bytes[i]) && i + 1 < length) ? 2 : 1;
    }
    return subLength == 0 && start <= length ? start : -1;
}

CString CString::Left(int count) const
{
    if (count <= 0)
        return CString();
    return CString(m_text.substr(0, static_cast<size_t>(count)));
}

CString CString::Mid(int first) const
{
    if (first < 0)
        first = 0;
    if (first >= GetLength())
        return CString();
    return CString(m_text.substr(static_cast<size_t>(first)));
}

CString CString::Mid(int first, int count) const
{
    if (first < 0)
        first = 0;
    if (first >= GetLength() || count <= 0)
        return CString();
    return CString(m_text.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const
{
    if (count <= 0)
        return CString();
    if (count >= GetLength())
        return *this;
    return CString(m_text.substr(m_text.size() - static_cast<size_t>(count)));
}

CString CString::LeftWhole(int maxBytes) const
{
    const size_t length = m_text.size();
    size_t end = 0;
    while (end < length) {
        const size_t step =
            IsLeadByte932(static_cast<unsigned char>(m_text[end])) && end + 1 < length ? 2 : 1;
        if (end + step > static_cast<size_t>(std::max(maxBytes, 0)))
            break;
        end += step;
    }
    return CString(m_text.substr(0, end));
}

bool CString::BeginsWithNoCase(const char* prefix) const
{
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    const size_t length = m_text.size();
    size_t i = 0;
    for (const char* p = prefix; *p;) {
        if (i >= length)
            return false;
        if (IsLeadByte932(static_cast<unsigned char>(m_text[i]))) {
            if (p[1] == '\0' || i + 1 >= length || m_text[i] != p[0] || m_text[i + 1] != p[1])
                return false;
            p += 2;
            i += 2;
            continue;
        }
        if (lower(m_text[i]) != lower(*p))
            return false;
        ++p;
        ++i;
    }
    return true;
}

CString& CString::MakeLower()
{
    const size_t length = m_text.size();
    size_t i = 0;
    while (i < length) {
        const auto c = static_cast<unsigned char>(m_text[i]);
        if (IsLeadByte932(c) && i + 1 < length) {
            i += 2;
            continue;
        }
        if (c >= 'A' && c <= 'Z')
            m_text[i] = static_cast<char>(c - 'A' + 'a');
        ++i;
    }
    return *this;
}

CString& CString::TrimLeft(char ch)
{
    size_t first = 0;
    while (first < m_text.size() && m_text[first] == ch)
        ++first;
    m_text.erase(0, first);
    return *this;
}

CString& CString::TrimRight(char ch)
{
    // Only whole characters are trimmed: a trail byte equal to ch belongs to its character.
    int keep = GetLength();
    while (keep > 0 && m_text[static_cast<size_t>(keep) - 1] == ch && ReverseFind(ch) == keep - 1)
        m_text.erase(static_cast<size_t>(--keep));
    return *this;
}

void CString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed < 0) {
        m_text.clear();
    } else {
        std::vector<char> buffer(static_cast<size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        m_text.assign(buffer.data(), static_cast<size_t>(needed));
    }
    va_end(args);
}

CString operator+(const CString& a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, const char* b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const char* a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, char b)
{
    CString result(a);
    result += b;
    return result;
}
