// CString: the tool's small text value type, used for paths, names,
// sequences and site strings. Its Mid/Left/Right/Find clamp positions in a
// fixed way that the rest of the scanner relies on.
#pragma once

#include <string>
#include <string_view>

class CString {
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    explicit CString(char c);
    CString(const char* text);  // NOLINT: implicit, like a string literal
    // Takes over an already built buffer without copying it (used for long
    // sequences, which must not be copied around).
    explicit CString(std::string&& text) noexcept;
    ~CString() = default;

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept = default;
    CString& operator=(const char* text);
    CString& operator=(char c);

    CString operator+(const CString& other) const;
    CString operator+(const char* text) const;
    bool operator==(const CString& other) const;

    // No range check: callers stay within 0..length-1.
    char operator[](int i) const { return m_text[static_cast<std::size_t>(i)]; }

    int GetLength() const { return static_cast<int>(m_text.size()); }
    CString Left(int n) const;
    CString Right(int n) const;
    CString Mid(int start, int n) const;
    // Stores the n characters from start into out, replacing its text,
    // without clamping; the caller guarantees the range lies inside.
    void Mid(int start, int n, CString* out) const;
    void SetAt(int i, char c);
    int Find(const CString& sub, int from) const;
    int Find(const CString& sub) const { return Find(sub, 0); }
    int Find(const char* text, int from) const { return Find(CString(text), from); }
    int Find(const char* text) const { return Find(CString(text), 0); }

    // Zero-terminated view of the text (never null).
    const char* c_str() const { return m_text.c_str(); }
    const std::string& str() const { return m_text; }
    std::string_view view() const { return m_text; }

private:
    std::string m_text;
};
