#include "support/MyString.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace {

// A fresh buffer holding the two pieces one after the other and a zero
// byte; null for the empty text.
MallocText Join(const char* a, std::size_t na, const char* b, std::size_t nb)
{
    const std::size_t n = na + nb;
    if (n == 0)
        return nullptr;
    MallocText text(static_cast<char*>(std::malloc(n + 1)));
    if (!text)
        throw std::bad_alloc();
    if (na > 0)
        std::memcpy(text.get(), a, na);
    if (nb > 0)
        std::memcpy(text.get() + na, b, nb);
    text.get()[n] = '\0';
    return text;
}

int CheckedLength(std::size_t na, std::size_t nb)
{
    if (na > static_cast<std::size_t>(INT_MAX) || nb > static_cast<std::size_t>(INT_MAX) - na)
        throw std::length_error("CString longer than INT_MAX characters");
    return static_cast<int>(na + nb);
}

}  // namespace

CString::CString(const char* a, std::size_t na, const char* b, std::size_t nb)
    : m_length(CheckedLength(na, nb)), m_text(Join(a, na, b, nb))
{}

CString::CString(const CString& other) : CString(other.c_str(), static_cast<std::size_t>(other.m_length), nullptr, 0) {}

CString::CString(CString&& other) noexcept : m_length(std::exchange(other.m_length, 0)), m_text(std::move(other.m_text))
{}

CString::CString(const char* text) : CString(text ? text : "", text ? std::strlen(text) : 0, nullptr, 0) {}

CString::CString(std::string_view text) : CString(text.data(), text.size(), nullptr, 0) {}

CString::CString(MallocText text, int length) noexcept
    : m_length(std::max(length, 0)), m_text(length > 0 ? std::move(text) : nullptr)
{}

CString& CString::operator=(const CString& other)
{
    if (this != &other)
        *this = CString(other);
    return *this;
}

CString& CString::operator=(CString&& other) noexcept
{
    if (this != &other) {
        m_text = std::move(other.m_text);
        m_length = std::exchange(other.m_length, 0);
    }
    return *this;
}

CString& CString::operator=(const char* text)
{
    // Build first: text may point into this string's own buffer.
    *this = CString(text);
    return *this;
}

// Clamping: a negative start becomes 0, a start past the end becomes the last
// character, and a range running past the end gives the whole text rather
// than a shortened piece.

// ---------------------------------------------------------------------------

char* CTextBuilder::Extend(std::size_t n)
{
    if (n > kMaxLength - m_size)
        return nullptr;
    const std::size_t need = m_size + n;
    if (need > m_capacity || !m_text) {
        // Doubling keeps the number of reallocations logarithmic; the first
        // block is small so that short records stay cheap.
        std::size_t capacity = std::max<std::size_t>(m_capacity, 4096);
        while (capacity < need)
            capacity = std::min(capacity * 2, kMaxLength);
        void* grown = std::realloc(m_text.get(), capacity + 1);
        if (!grown)
            throw CTextTooLarge(capacity + 1);
        // realloc took the old block over: hand ownership to the new one.
        static_cast<void>(m_text.release());
        m_text.reset(static_cast<char*>(grown));
        m_capacity = capacity;
    }
    char* at = m_text.get() + m_size;
    m_size = need;
    return at;
}

CString CTextBuilder::Take()
{
    const auto length = static_cast<int>(m_size);
    m_size = 0;
    m_capacity = 0;
    if (length == 0) {
        m_text.reset();
        return CString();
    }
    // Trim to the text and its terminator. Shrinking never fails in
    // practice; should it, the larger block is simply kept.
    if (void* trimmed = std::realloc(m_text.get(), static_cast<std::size_t>(length) + 1)) {
        static_cast<void>(m_text.release());
        m_text.reset(static_cast<char*>(trimmed));
    }
    m_text.get()[length] = '\0';
    return CString(std::move(m_text), length);
}
