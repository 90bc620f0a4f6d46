#include "support/MyString.h"

#include <algorithm>
#include <cstring>
#include <utility>

CString::CString(char c) : m_text(1, c) {}

CString::CString(const char* text) : m_text(text ? text : "") {}

CString::CString(std::string&& text) noexcept : m_text(std::move(text)) {}

CString& CString::operator=(const CString& other)
{
    if (this != &other)
        m_text = other.m_text;
    return *this;
}

CString& CString::operator=(const char* text)
{
    m_text = text ? text : "";
    return *this;
}

CString& CString::operator=(char c)
{
    m_text.assign(1, c);
    return *this;
}

CString CString::operator+(const CString& other) const
{
    std::string joined;
    joined.reserve(m_text.size() + other.m_text.size());
    joined.append(m_text).append(other.m_text);
    return CString(std::move(joined));
}

CString CString::operator+(const char* text) const { return *this + CString(text); }

bool CString::operator==(const CString& other) const { return m_text == other.m_text; }

CString CString::Left(int n) const
{
    if (n <= 0)
        return CString();
    const std::size_t count = std::min(static_cast<std::size_t>(n), m_text.size());
    return CString(m_text.substr(0, count));
}

CString CString::Right(int n) const
{
    if (n <= 0)
        return CString();
    const std::size_t count = std::min(static_cast<std::size_t>(n), m_text.size());
    return CString(m_text.substr(m_text.size() - count));
}

// Clamping: a negative start becomes 0, a start past the end becomes the last
// character, and a range running past the end gives the whole text rather
// than a shortened piece.
CString CString::Mid(int start, int n) const
{
    const long long len = static_cast<long long>(m_text.size());
    long long from = start;
    if (from < 0)
        from = 0;
    if (from >= len)
        from = len - 1;
    if (from + n > len || from < 0)
        return *this;
    if (n <= 0)
        return CString();
    return CString(m_text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(n)));
}

void CString::Mid(int start, int n, CString* out) const
{
    out->m_text.assign(m_text, static_cast<std::size_t>(start), static_cast<std::size_t>(n));
}

void CString::SetAt(int i, char c)
{
    if (i >= 0 && static_cast<std::size_t>(i) < m_text.size())
        m_text[static_cast<std::size_t>(i)] = c;
}

int CString::Find(const CString& sub, int from) const
{
    const long long len = static_cast<long long>(m_text.size());
    const long long m = static_cast<long long>(sub.m_text.size());
    if (len < static_cast<long long>(from) + m)
        return -1;
    for (long long i = from; i <= len - m; ++i) {
        if (Mid(static_cast<int>(i), static_cast<int>(m)) == sub)
            return static_cast<int>(i);
    }
    return -1;
}
