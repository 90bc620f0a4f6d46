// DNA letters: base codes, complements and the reverse complement.
//
// Base codes are A = 0, C = 1, G = 2, T = 3; every other letter, N and the
// ambiguity letters included, counts as 0 (the same as A). Code that must
// not score such letters tests for N before coding.
#pragma once

#include <array>
#include <string>
#include <string_view>

// code(c), and the code of the complement of c (A->3, C->2, G->1, T->0,
// everything else 0), for the per-position loops.
extern const std::array<unsigned char, 256> kBaseCode;
extern const std::array<unsigned char, 256> kComplementCode;

// Complement letter: A-T, C-G, R-Y; S, W and every other character, lower
// case included, unchanged.
char Complement(char c);

// Reverse complement of a word.
std::string Reverse(std::string_view word);
