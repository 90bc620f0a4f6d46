// Reading what users write: the words and blanks of a line of an input file
// or of a command-line word, and the numbers the options take. The character
// tests are the C locale's, written out, so that no locale a run starts in
// changes what a file or an option means.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// Blanks around numbers and between words: space, tab, line feed, CR, FF,
// VT. The lines of a file never hold a line feed (they are split at it), so
// it only counts in command-line words, where a value may carry one.
bool IsBlank(char c);
// '0' to '9'.
bool IsDigit(char c);

// The text without the blanks at its start, or at both ends.
std::string_view SkipBlanks(std::string_view text);
std::string_view Trim(std::string_view text);
// The words of a text, the runs of characters between blanks.
std::vector<std::string_view> Words(std::string_view text);
// The tab-separated fields of a line, as they stand (one for a line
// without a tab).
std::vector<std::string_view> TabFields(std::string_view line);
bool StartsWith(std::string_view text, std::string_view prefix);
// The first word of a text, and the text after it without the blanks
// around it: "MA0212.1" and "bcd" of "MA0212.1  bcd ".
std::string_view FirstWord(std::string_view text);
std::string_view AfterFirstWord(std::string_view text);

// The number parsers read a whole word, blanks around it allowed, and
// return false, leaving *value alone, when it is anything else.

// A decimal int, sign allowed ("+2", "-7").
bool ParseWholeNumber(std::string_view word, int* value);
// A decimal number such as 0.0005, .5, 5e-4 or -1: no hexadecimal, no
// infinity or NaN, and none that overflows to one.
bool ParseDecimalNumber(std::string_view word, double* value);
// A seed: 0 to 2^64 - 1, digits only.
bool ParseSeed(std::string_view word, std::uint64_t* value);
// A number of bases: 1 to kMaxBases, digits only. Fifteen digits are more
// bases than any genome has, and stay far below what a long long holds.
inline constexpr long long kMaxBases = 999'999'999'999'999;
bool ParseBases(std::string_view word, long long* value);
// A position: digits only, nothing around them, at most 15 of them (0 to
// kMaxBases), so that positions can be added to it without overflow.
bool ParsePosition(std::string_view text, long long* value);
