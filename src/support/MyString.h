// CString: the tool's small text value type, used for paths, names,
// sequences and site strings. Its Mid/Left/Right/Find clamp positions in a
// fixed way that the rest of the scanner relies on.
//
// The text lives in a malloc'd buffer of length + 1 bytes (zero-terminated)
// with the length stored beside it. A whole chromosome is one CString, so a
// sequence gathered by CTextBuilder (realloc growth, which the C library
// does by remapping pages rather than copying for large blocks) is handed
// over without a copy: the sequence is held once, one byte per base.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <string_view>

// Releases memory obtained from malloc/realloc.
struct FreeDeleter {
    void operator()(void* p) const noexcept { std::free(p); }
};
using MallocText = std::unique_ptr<char, FreeDeleter>;

class CString {
public:
    CString() = default;
    CString(const CString& other);
    CString(CString&& other) noexcept;
    CString(const char* text);  // NOLINT: implicit, like a string literal
    explicit CString(std::string_view text);
    // Copies the text of an already built string.
    explicit CString(const std::string& text) : CString(std::string_view(text)) {}
    explicit CString(std::string&& text) : CString(std::string_view(text)) {}
    // Takes over `text`, a malloc'd buffer holding `length` characters
    // followed by a zero byte (null with length 0 for the empty text).
    CString(MallocText text, int length) noexcept;
    ~CString() = default;

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const char* text);

    // No range check: callers stay within 0..length-1.
    char operator[](int i) const { return m_text.get()[i]; }

    int GetLength() const { return m_length; }

    // Zero-terminated view of the text (never null).
    const char* c_str() const { return m_text ? m_text.get() : ""; }
    std::string str() const { return std::string(view()); }
    std::string_view view() const { return std::string_view(c_str(), static_cast<std::size_t>(m_length)); }

    // The text operations of the original toolbox (MyStringExtras.cpp): no
    // run calls them. Mid, Left and Right clamp their positions: a start
    // before 0 becomes 0, one at or past the end the last character, and a
    // Mid reaching past the end gives the whole text.
    explicit CString(char c);
    CString& operator=(char c);
    CString operator+(const CString& other) const;
    CString operator+(const char* text) const;
    bool operator==(const CString& other) const;
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

private:
    // The two pieces one after the other, in a fresh buffer.
    CString(const char* a, std::size_t na, const char* b, std::size_t nb);

    int m_length = 0;   // first: it is checked before the buffer is made
    MallocText m_text;  // length + 1 bytes, or null for the empty text
};

// Thrown when a text cannot grow for want of memory: the bytes it asked for.
class CTextTooLarge : public std::bad_alloc {
public:
    explicit CTextTooLarge(std::size_t bytes) : m_bytes(bytes) {}
    std::size_t Bytes() const { return m_bytes; }

private:
    std::size_t m_bytes;
};

// A text that grows at its end, for gathering a sequence of unknown length.
// Growth doubles the capacity with realloc: for large blocks the C library
// moves pages instead of copying them, so there is no moment at which two
// copies of a chromosome are resident, and capacity not yet written to
// costs address space only. Take() trims the buffer to its length and hands
// it to a CString without copying.
class CTextBuilder {
public:
    // Longest text a CString can hold.
    static constexpr std::size_t kMaxLength = 0x7fffffff;

    CTextBuilder() = default;
    CTextBuilder(CTextBuilder&&) noexcept = default;
    CTextBuilder& operator=(CTextBuilder&&) noexcept = default;

    // Makes room for n more characters at the end and returns where they go
    // (the caller writes all n). Returns null, leaving the text unchanged,
    // when the text would grow past kMaxLength.
    char* Extend(std::size_t n);
    std::size_t size() const { return m_size; }
    const char* data() const { return m_text.get(); }
    void Clear() { m_size = 0; }
    // Moves the text into a CString and leaves the builder empty.
    CString Take();

private:
    MallocText m_text;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;  // characters, not counting the terminator's byte
};
