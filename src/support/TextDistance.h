// How near a mistyped word is to a known one, for "did you mean" hints.
#pragma once

#include <cstddef>
#include <string_view>

// Edits (insert, delete or replace one character) from a to b, case aside.
std::size_t EditDistance(std::string_view a, std::string_view b);

// 0 when the two are the same (case aside), 1 when one begins with the
// other (Kr for Kruppel, --thread for --threads), else 2 + EditDistance:
// smaller is nearer.
std::size_t Nearness(std::string_view typed, std::string_view known);
