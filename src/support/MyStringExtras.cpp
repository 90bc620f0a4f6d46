// The text operations of CString that the scan itself does not use: the
// clamping Mid, Left, Right, Find, SetAt, concatenation and comparison.
// They keep the positions' clamping rules that code written against the
// original toolbox relies on, and are tested, but no run calls them.
#include <algorithm>
#include <cstring>

#include "support/MyString.h"

CString::CString(char c) : CString(&c, 1, nullptr, 0) {}

CString& CString::operator=(char c)
{
    *this = CString(c);
    return *this;
}

CString CString::operator+(const CString& other) const
{
    return CString(c_str(), static_cast<std::size_t>(m_length), other.c_str(),
                   static_cast<std::size_t>(other.m_length));
}

CString CString::operator+(const char* text) const { return *this + CString(text); }

bool CString::operator==(const CString& other) const
{
    return m_length == other.m_length && std::memcmp(c_str(), other.c_str(), static_cast<std::size_t>(m_length)) == 0;
}

CString CString::Left(int n) const
{
    if (n <= 0)
        return CString();
    return CString(view().substr(0, static_cast<std::size_t>(std::min(n, m_length))));
}

CString CString::Right(int n) const
{
    if (n <= 0)
        return CString();
    const int count = std::min(n, m_length);
    return CString(view().substr(static_cast<std::size_t>(m_length - count)));
}

CString CString::Mid(int start, int n) const
{
    const long long len = m_length;
    long long from = start;
    if (from < 0)
        from = 0;
    if (from >= len)
        from = len - 1;
    if (from + n > len || from < 0)
        return *this;
    if (n <= 0)
        return CString();
    return CString(view().substr(static_cast<std::size_t>(from), static_cast<std::size_t>(n)));
}

void CString::Mid(int start, int n, CString* out) const
{
    *out = CString(view().substr(static_cast<std::size_t>(start), static_cast<std::size_t>(n)));
}

void CString::SetAt(int i, char c)
{
    if (i >= 0 && i < m_length)
        m_text.get()[i] = c;
}

int CString::Find(const CString& sub, int from) const
{
    const long long len = m_length;
    const long long m = sub.m_length;
    if (len < static_cast<long long>(from) + m)
        return -1;
    for (long long i = from; i <= len - m; ++i) {
        if (Mid(static_cast<int>(i), static_cast<int>(m)) == sub)
            return static_cast<int>(i);
    }
    return -1;
}
