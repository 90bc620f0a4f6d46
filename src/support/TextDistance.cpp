#include "support/TextDistance.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

bool Same(char x, char y)
{
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
}

bool Begins(std::string_view text, std::string_view start)
{
    return start.size() <= text.size() && std::equal(start.begin(), start.end(), text.begin(), Same);
}

}  // namespace

std::size_t EditDistance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t replaced = diagonal + (Same(a[i - 1], b[j - 1]) ? 0 : 1);
            diagonal = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, replaced});
        }
    }
    return row[b.size()];
}

std::size_t Nearness(std::string_view typed, std::string_view known)
{
    if (typed.size() == known.size() && Begins(known, typed))
        return 0;
    if (!typed.empty() && !known.empty() && (Begins(known, typed) || Begins(typed, known)))
        return 1;
    return 2 + EditDistance(typed, known);
}
