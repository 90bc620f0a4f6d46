#include "support/Bases.h"

namespace {

constexpr std::array<unsigned char, 256> MakeBaseCode(bool complement)
{
    std::array<unsigned char, 256> table {};
    table[static_cast<unsigned char>('A')] = complement ? 3 : 0;
    table[static_cast<unsigned char>('C')] = complement ? 2 : 1;
    table[static_cast<unsigned char>('G')] = complement ? 1 : 2;
    table[static_cast<unsigned char>('T')] = complement ? 0 : 3;
    return table;
}

}  // namespace

const std::array<unsigned char, 256> kBaseCode = MakeBaseCode(false);
const std::array<unsigned char, 256> kComplementCode = MakeBaseCode(true);

char Complement(char c)
{
    switch (c) {
    case 'A':
        return 'T';
    case 'C':
        return 'G';
    case 'G':
        return 'C';
    case 'T':
        return 'A';
    case 'R':
        return 'Y';
    case 'Y':
        return 'R';
    default:
        return c;  // S, W and everything else, lower case included
    }
}

std::string Reverse(std::string_view word)
{
    std::string out(word.size(), '\0');
    for (std::size_t i = 0; i < word.size(); ++i)
        out[word.size() - 1 - i] = Complement(word[i]);
    return out;
}
