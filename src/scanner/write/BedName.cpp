#include "scanner/write/BedName.h"

#include "support/Text.h"

namespace {

bool IsNameBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string_view HeaderWord(std::string_view header)
{
    if (!header.empty() && header.front() == '>')
        header.remove_prefix(1);
    while (!header.empty() && IsNameBlank(header.front()))
        header.remove_prefix(1);
    std::size_t end = 0;
    while (end < header.size() && !IsNameBlank(header[end]))
        ++end;
    return end == 0 ? std::string_view("unnamed") : header.substr(0, end);
}

BEDNAME BedSequenceName(std::string_view header, bool oneBased)
{
    const std::string_view word = HeaderWord(header);
    BEDNAME name;
    name.chrom.assign(word);
    if (word == "unnamed")
        return name;
    // name::chrom:start-end: the interval follows the last "::".
    std::string_view interval = word;
    if (const std::size_t named = word.rfind("::"); named != std::string_view::npos)
        interval = word.substr(named + 2);
    bool minus = false;
    if (interval.size() > 3 && interval.back() == ')' && interval[interval.size() - 3] == '(' &&
        (interval[interval.size() - 2] == '+' || interval[interval.size() - 2] == '-')) {
        minus = interval[interval.size() - 2] == '-';
        interval.remove_suffix(3);
    }
    const std::size_t colon = interval.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        return name;
    const std::string_view range = interval.substr(colon + 1);
    const std::size_t dash = range.find('-');
    long long start = 0;
    long long stop = 0;
    if (dash == std::string_view::npos || !ParsePosition(range.substr(0, dash), &start) ||
        !ParsePosition(range.substr(dash + 1), &stop) || (oneBased && start < 1))
        return name;
    if (oneBased)
        --start;
    if (stop < start)
        return name;
    name.chrom.assign(interval.substr(0, colon));
    name.offset = start;
    name.end = stop;
    name.minus = minus;
    name.interval = true;
    return name;
}

BEDNAME RecordBedName(std::string_view header, long long length, bool oneBased, bool* misfit)
{
    BEDNAME name = BedSequenceName(header, oneBased);
    *misfit = name.interval && name.end - name.offset != length;
    if (!*misfit)
        return name;
    // The header's first word as it stands: a name that is no interval.
    BEDNAME plain;
    plain.chrom.assign(HeaderWord(header));
    return plain;
}
