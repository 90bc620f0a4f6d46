#include "scanner/write/SvgPicture.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "scanner/results/Significance.h"
#include "support/InputSource.h"
#include "support/LineReader.h"
#include "support/Messages.h"
#include "support/Text.h"

namespace {

// Eight colours that colour-blind readers tell apart too (the Okabe-Ito
// set, its black as a dark grey so that marks stand out from the line).
// Motifs beyond the eighth take them again, each round with a marker shape
// of its own on its marks (kShapes), so that no two of 40 motifs look alike.
const char* const kColours[] = {"#E69F00", "#56B4E9", "#009E73", "#F0E442", "#0072B2", "#D55E00", "#CC79A7", "#333333"};
constexpr std::size_t kColourCount = std::size(kColours);
// The marker of each round of colours after the first: none, then these.
enum class Shape { kNone, kCircle, kTriangle, kDiamond, kCross };
constexpr Shape kShapes[] = {Shape::kNone, Shape::kCircle, Shape::kTriangle, Shape::kDiamond, Shape::kCross};

constexpr double kLeastWidth = 1000.0;  // the picture's width at least
constexpr double kLeft = 40.0;          // the records' lines start here
constexpr double kRight = 60.0;         // room right of the longest line
constexpr double kPerBase = 2.0;        // pixels per base, for records short enough
constexpr double kMostLine = 4000.0;    // the longest line: a long record is squeezed into it
constexpr double kLeastLine = 120.0;    // the shortest, for the axis's sake
constexpr double kLeastMark = 3.0;      // a site or module narrower than this is widened to it
constexpr double kLabelSize = 10.0;     // font size of module scores, axis and region labels
constexpr double kRowHeight = 13.0;     // rows of labels, one above the other
constexpr int kModuleRows = 5;          // rows of module labels at most; other scores are in tooltips
constexpr int kKnownRows = 3;           // rows of known-region names at most
// The width of a character, as a share of the font size: a little above the
// average of sans-serif digits, so that labels placed apart stay apart.
constexpr double kCharWidth = 0.65;

// The length of the well-formed UTF-8 sequence at text[at] of a character
// XML allows, or 0 when there is none (a Latin-1 byte, a broken or
// overlong sequence, a surrogate, U+FFFE and U+FFFF).
std::size_t Utf8Length(const std::string& text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    const std::size_t n = lead < 0x80             ? 1
                          : (lead & 0xE0) == 0xC0 ? 2
                          : (lead & 0xF0) == 0xE0 ? 3
                          : (lead & 0xF8) == 0xF0 ? 4
                                                  : 0;
    if (n == 0 || at + n > text.size())
        return 0;
    unsigned long code = n == 1 ? lead : lead & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    constexpr unsigned long kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF)
        return 0;
    return n;
}

// A text as XML character data: markup characters as entities, control
// characters as blanks, and bytes that are not UTF-8 (a header written in
// Latin-1) as the replacement character, so that the picture stays
// well-formed XML.
std::string Escaped(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        const std::size_t n = Utf8Length(text, at);
        if (n == 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD
            ++at;
            continue;
        }
        if (n > 1) {
            out.append(text, at, n);
            at += n;
            continue;
        }
        ++at;
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            // Control characters are not allowed in XML text.
            out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    }
    return out;
}

std::string Number(double value)
{
    char text[32];
    (void)std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// Characters of UTF-8 text, for its estimated width.
std::size_t Characters(const std::string& text)
{
    std::size_t n = 0;
    for (const char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

double TextWidth(const std::string& text, double size)
{
    return static_cast<double>(Characters(text)) * size * kCharWidth;
}

// "chrom:start-end", as a genome browser takes it.
std::string Place(const std::string& chrom, long long start, long long end)
{
    return chrom + ":" + std::to_string(start) + "-" + std::to_string(end);
}

// The length of a record's line for a stretch of `span` bases: 2 pixels a
// base, within the shortest and the longest line.
double LineLength(long long span) { return std::clamp(kPerBase * static_cast<double>(span), kLeastLine, kMostLine); }

const char* Colour(std::size_t motif) { return kColours[motif % kColourCount]; }
Shape MotifShape(std::size_t motif) { return kShapes[(motif / kColourCount) % std::size(kShapes)]; }

// A marker of `shape` centred at (x, y), white with a dark outline, so that
// it shows on every colour.
std::string Marker(Shape shape, double x, double y)
{
    const std::string style = "\" fill=\"white\" stroke=\"#222\" stroke-width=\"1\"/>";
    switch (shape) {
    case Shape::kCircle:
        return "<circle class=\"marker\" cx=\"" + Number(x) + "\" cy=\"" + Number(y) + "\" r=\"3.5" + style;
    case Shape::kTriangle:
        return "<path class=\"marker\" d=\"M" + Number(x) + " " + Number(y - 4) + "L" + Number(x + 4) + " " +
               Number(y + 3) + "L" + Number(x - 4) + " " + Number(y + 3) + "Z" + style;
    case Shape::kDiamond:
        return "<path class=\"marker\" d=\"M" + Number(x) + " " + Number(y - 4.5) + "L" + Number(x + 4) + " " +
               Number(y) + "L" + Number(x) + " " + Number(y + 4.5) + "L" + Number(x - 4) + " " + Number(y) + "Z" +
               style;
    case Shape::kCross:
        return "<path class=\"marker\" d=\"M" + Number(x - 3.5) + " " + Number(y - 3.5) + "L" + Number(x + 3.5) + " " +
               Number(y + 3.5) + "M" + Number(x + 3.5) + " " + Number(y - 3.5) + "L" + Number(x - 3.5) + " " +
               Number(y + 3.5) + "\" fill=\"none\" stroke=\"#222\" stroke-width=\"2\"/>";
    case Shape::kNone:
        break;
    }
    return {};
}

// Labels laid out in rows so that no two overlap: each label takes the
// first row, nearest the thing it names, where it fits; one that fits in
// none is left out (its text stays in a tooltip).
class CLabelRows {
public:
    CLabelRows(int rows, double least, double most)
        : m_rows(static_cast<std::size_t>(rows)), m_least(least), m_most(most)
    {}

    // The row of a label `width` wide wanted at x, and where it starts
    // (moved left to stay inside the picture), or -1 when no row has room.
    int Place(double* x, double width)
    {
        *x = std::max(m_least, std::min(*x, m_most - width));
        for (std::size_t row = 0; row < m_rows.size(); ++row) {
            auto& taken = m_rows[row];
            const bool free = std::none_of(taken.begin(), taken.end(), [&](const std::pair<double, double>& span) {
                return *x < span.second + kGap && span.first < *x + width + kGap;
            });
            if (free) {
                taken.emplace_back(*x, *x + width);
                m_used = std::max(m_used, static_cast<int>(row) + 1);
                return static_cast<int>(row);
            }
        }
        return -1;
    }
    int Used() const { return m_used; }

private:
    static constexpr double kGap = 4.0;
    std::vector<std::vector<std::pair<double, double>>> m_rows;
    double m_least;
    double m_most;
    int m_used = 0;
};

// A step between axis ticks of 1, 2 or 5 times a power of ten, the least at
// which labels of `digits` digits stand apart at `scale` pixels per base.
long long TickStep(double scale, int digits)
{
    const double least = (digits * kCharWidth * kLabelSize + 16.0) / scale;
    for (long long power = 1;; power *= 10)
        for (const long long step : {power, 2 * power, 5 * power})
            if (static_cast<double>(step) >= least || power > kMaxBases)
                return step;
}

}  // namespace

bool ParseRegion(std::string_view text, BEDREGION* region)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    const std::string_view range = text.substr(colon + 1);
    const std::size_t dash = range.find('-');
    BEDREGION read;
    if (dash == std::string_view::npos || !ParsePosition(range.substr(0, dash), &read.start) ||
        !ParsePosition(range.substr(dash + 1), &read.end) || read.start >= read.end)
        return false;
    read.chrom.assign(text.substr(0, colon));
    *region = std::move(read);
    return true;
}

bool ReadBedRegions(const std::string& path, std::vector<BEDREGION>* regions, std::string* error)
{
    const std::string where = "regions file " + QuotePath(path);
    std::string why;
    auto source = OpenInput(path, false, &why);
    if (!source) {
        *error = "cannot open " + where + ": " + why;
        return false;
    }
    CLineReader lines(std::move(source));
    std::string_view line;
    while (lines.Next(&line)) {
        const std::string_view word = FirstWord(line);
        if (word.empty() || word.front() == '#' || word == "track" || word == "browser")
            continue;
        // Columns are tab-separated, as BED has them; a file typed with
        // blanks is read by its words.
        std::vector<std::string_view> columns =
            line.find('\t') != std::string_view::npos ? TabFields(line) : Words(line);
        for (std::string_view& column : columns)
            column = Trim(column);
        const std::string at = where + ", line " + std::to_string(lines.LineNumber()) + ": ";
        BEDREGION region;
        if (columns.size() < 3) {
            *error = at + "a BED line has 3 columns at least (chrom, start, end), this one " +
                     std::to_string(columns.size());
            return false;
        }
        if (!ParsePosition(columns[1], &region.start) || !ParsePosition(columns[2], &region.end)) {
            *error = at + "start " + QuoteForMessage(columns[1]) + " and end " + QuoteForMessage(columns[2]) +
                     " must be whole numbers of 0 or more";
            return false;
        }
        if (region.end < region.start) {
            *error = at + "end " + std::to_string(region.end) + " lies before start " + std::to_string(region.start);
            return false;
        }
        region.chrom.assign(columns[0]);
        if (columns.size() > 3)
            region.name.assign(columns[3]);
        regions->push_back(std::move(region));
    }
    if (lines.Failed()) {
        *error = "cannot read " + where + ": " + ReadErrorText(lines.Error());
        return false;
    }
    return true;
}

CSvgPicture::CSvgPicture(std::vector<std::string> labels, std::vector<int> widths, bool oneBased)
    : m_labels(std::move(labels)), m_widths(std::move(widths)), m_oneBased(oneBased)
{
    m_labels.resize(m_widths.size());
    for (std::size_t j = 0; j < m_labels.size(); ++j)
        if (m_labels[j].empty())
            m_labels[j] = "motif" + std::to_string(j + 1);
}

void CSvgPicture::SetRegion(BEDREGION region)
{
    m_region = std::move(region);
    m_regionSet = true;
}

void CSvgPicture::SetKnown(std::vector<BEDREGION> known, std::string label)
{
    m_known = std::move(known);
    m_knownLabel = std::move(label);
}

void CSvgPicture::Add(const RECORDRESULT& record)
{
    if (!record.name.empty() || record.length > 0)
        ++m_seen;
    // Everything is drawn where the BED files place it: on the chromosome
    // the header names, a reverse-complement record turned back.
    bool misfit = false;
    BEDNAME bed = RecordBedName(record.name, record.length, m_oneBased, &misfit);
    const long long lo = bed.Start(0, record.length);
    long long from = lo;
    long long to = lo + record.length;
    if (m_regionSet) {
        if (bed.chrom != m_region.chrom || to <= m_region.start || m_region.end <= from)
            return;
        from = std::max(from, m_region.start);
        to = std::min(to, m_region.end);
    } else if (record.modules.empty()) {
        return;
    }
    if (m_records.size() >= static_cast<std::size_t>(kMostRecords)) {
        ++m_left;
        return;
    }
    std::string name = record.name;
    if (!name.empty() && name.front() == '>')
        name.erase(0, 1);
    DRAWN drawn {std::move(name), record.length, std::move(bed), from, to, record.window, {}, {}, {}};
    for (const MODULEINFO& module : record.modules) {
        const long long start = drawn.bed.Start(module.start, record.window);
        if (start + record.window <= from || to <= start)
            continue;
        char text[64] = "";
        m_withP = m_withP || !record.nullScores.empty();
        if (!record.nullScores.empty())
            (void)std::snprintf(
                text, sizeof text, ", p %.3g, E %.3g", EmpiricalP(record.nullScores, module.score),
                EValue(record.nullModuleScores, static_cast<int>(record.nullScores.size()), module.score));
        drawn.modules.push_back(module);
        drawn.p.emplace_back(text);
    }
    for (std::size_t k = 0; k < m_known.size(); ++k) {
        const BEDREGION& known = m_known[k];
        if (known.chrom == drawn.bed.chrom && known.start < to && from < std::max(known.end, known.start + 1))
            drawn.known.push_back(k);
    }
    m_records.push_back(std::move(drawn));
}

double CSvgPicture::STRETCH::At(long long pos) const { return kLeft + scale * static_cast<double>(pos - from); }

void CSvgPicture::STRETCH::Box(long long start, long long end, double* x, double* w) const
{
    start = std::clamp(start, from, to);
    end = std::clamp(end, from, to);
    *w = std::max(kLeastMark, scale * static_cast<double>(end - start));
    *x = std::min(At(start), kLeft + line - *w);
}

double CSvgPicture::DrawRecord(const DRAWN& record, double top, double width, std::string* svg) const
{
    const long long span = std::max(1LL, record.to - record.from);
    const STRETCH stretch {record.from, record.to, LineLength(span), LineLength(span) / static_cast<double>(span)};
    const std::string& chrom = record.bed.chrom;
    std::string out = "<g class=\"record\">\n<text class=\"title\" x=\"" + Number(kLeft) + "\" y=\"" +
                      Number(top + 14) + "\">" + Escaped(record.name) + " (" + std::to_string(record.length) +
                      " bases, " + std::to_string(record.modules.size()) +
                      (record.modules.size() == 1 ? " module" : " modules") + (m_regionSet ? " here" : "") +
                      "): " + Escaped(Place(chrom, record.from, record.to)) +
                      (record.bed.minus ? ", the reverse complement, drawn as on " + Escaped(chrom) : "") + "</text>\n";
    double y = 0;  // the record's line
    out += DrawModules(record, stretch, top, width, &y);
    // The axis, in the BED files' coordinates, ticks where labels fit.
    const double axis = y + 26;
    out += "<g class=\"axis\">\n<line x1=\"" + Number(kLeft) + "\" y1=\"" + Number(axis) + "\" x2=\"" +
           Number(kLeft + stretch.line) + "\" y2=\"" + Number(axis) + "\" stroke=\"#888\" stroke-width=\"1\"/>\n";
    const long long step = TickStep(stretch.scale, static_cast<int>(std::to_string(record.to).size()));
    for (long long tick = (record.from + step - 1) / step * step; tick <= record.to; tick += step) {
        const double x = stretch.At(tick);
        out += "<line x1=\"" + Number(x) + "\" y1=\"" + Number(axis) + "\" x2=\"" + Number(x) + "\" y2=\"" +
               Number(axis + 4) + "\" stroke=\"#888\"/><text x=\"" + Number(x) + "\" y=\"" + Number(axis + 15) +
               "\" font-size=\"10\" text-anchor=\"middle\" fill=\"#444\">" + std::to_string(tick) + "</text>\n";
    }
    out += "</g>\n";
    double bottom = axis + 20;
    if (!record.known.empty())
        out += DrawKnown(record, stretch, bottom + 4, width, &bottom);
    out += "</g>\n";
    *svg += out;
    return bottom + 16 - top;
}

std::string CSvgPicture::DrawModules(const DRAWN& record, const STRETCH& stretch, double top, double width,
                                     double* y) const
{
    // The module scores, the best first, in the rows above the boxes.
    std::vector<std::size_t> order(record.modules.size());
    for (std::size_t m = 0; m < order.size(); ++m)
        order[m] = m;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return record.modules[a].score > record.modules[b].score; });
    CLabelRows rows(kModuleRows, 4.0, width - 4.0);
    // Each module's place on the chromosome, box and label, once.
    struct PLACED {
        long long start = 0;
        double x = 0;
        double w = 0;
        std::string label;
        double labelX = 0;
        int row = -1;
    };
    std::vector<PLACED> placed(record.modules.size());
    for (std::size_t m = 0; m < placed.size(); ++m) {
        PLACED& p = placed[m];
        p.start = record.bed.Start(record.modules[m].start, record.window);
        stretch.Box(p.start, p.start + record.window, &p.x, &p.w);
        p.label = Number(record.modules[m].score) + record.p[m];
    }
    for (const std::size_t m : order) {
        placed[m].labelX = placed[m].x;
        placed[m].row = rows.Place(&placed[m].labelX, TextWidth(placed[m].label, kLabelSize));
    }
    const double boxTop = top + 22 + kRowHeight * rows.Used();
    *y = boxTop + 20;
    std::string out = "<line class=\"strand\" x1=\"" + Number(kLeft) + "\" y1=\"" + Number(*y) + "\" x2=\"" +
                      Number(kLeft + stretch.line) + "\" y2=\"" + Number(*y) +
                      "\" stroke=\"#444\" stroke-width=\"1\"/>\n";
    for (std::size_t m = 0; m < record.modules.size(); ++m) {
        const PLACED& p = placed[m];
        out += "<rect class=\"module\" x=\"" + Number(p.x) + "\" y=\"" + Number(boxTop) + "\" width=\"" + Number(p.w) +
               "\" height=\"40\" fill=\"#EEEEEE\" fill-opacity=\"0.6\" stroke=\"#666\"><title>module " +
               Escaped(Place(record.bed.chrom, p.start, p.start + record.window)) + ", score " + p.label +
               "</title></rect>\n";
        if (p.row >= 0)
            out += "<text class=\"score\" x=\"" + Number(p.labelX) + "\" y=\"" +
                   Number(boxTop - 3 - kRowHeight * p.row) + "\" font-size=\"10\">" + p.label + "</text>\n";
        out += DrawSites(record, record.modules[m], stretch, *y);
    }
    if (record.modules.empty())
        out += "<text class=\"note\" x=\"" + Number(kLeft + 4) + "\" y=\"" + Number(*y - 4) +
               "\" fill=\"#444\">no modules in this stretch</text>\n";
    return out;
}

std::string CSvgPicture::DrawSites(const DRAWN& record, const MODULEINFO& module, const STRETCH& stretch,
                                   double y) const
{
    std::string out;
    for (const SITEINFO& site : module.sites) {
        const auto j = static_cast<std::size_t>(site.motif);
        const int siteWidth = j < m_widths.size() ? m_widths[j] : 1;
        const long long siteStart = record.bed.Start(site.pos, siteWidth);
        if (siteStart + siteWidth <= record.from || record.to <= siteStart)
            continue;
        const char strand = record.bed.Strand(site.forward ? '+' : '-');
        const std::string label = j < m_labels.size() ? m_labels[j] : "motif" + std::to_string(j + 1);
        double sx = 0;
        double sw = 0;
        stretch.Box(siteStart, siteStart + siteWidth, &sx, &sw);
        const double sy = strand == '+' ? y - 16 : y + 2;
        out += std::string("<rect class=\"site ") + (strand == '+' ? "forward" : "reverse") + "\" x=\"" + Number(sx) +
               "\" y=\"" + Number(sy) + "\" width=\"" + Number(sw) + "\" height=\"14\" fill=\"" + Colour(j) +
               "\" stroke=\"#222\" stroke-width=\"0.4\"><title>" + Escaped(label) + " at " +
               Escaped(Place(record.bed.chrom, siteStart, siteStart + siteWidth)) + " (" + strand + "), probability " +
               Number(site.prob) + "</title></rect>\n" + Marker(MotifShape(j), sx + sw / 2, sy + 7);
    }
    return out;
}

// Regions that overlap (or touch) are stacked, and named beneath.
std::string CSvgPicture::DrawKnown(const DRAWN& record, const STRETCH& stretch, double track, double width,
                                   double* bottom) const
{
    CLabelRows lanes(kKnownRows, kLeft, kLeft + stretch.line);
    struct LANED {
        double x = 0;
        double w = 0;
        int lane = 0;  // a region with no lane of its own is drawn in the last
    };
    std::vector<LANED> laned(record.known.size());
    for (std::size_t i = 0; i < laned.size(); ++i) {
        const BEDREGION& known = m_known[record.known[i]];
        stretch.Box(known.start, known.end, &laned[i].x, &laned[i].w);
        // The lanes keep a gap between regions: a region that touches
        // another goes to the next lane.
        double x = laned[i].x;
        const int lane = lanes.Place(&x, laned[i].w);
        laned[i].lane = lane < 0 ? kKnownRows - 1 : lane;
    }
    const double namesTop = track + 12.0 * std::max(1, lanes.Used());
    CLabelRows names(kKnownRows, 4.0, width - 4.0);
    std::string marks;
    std::string texts;
    for (std::size_t i = 0; i < record.known.size(); ++i) {
        const BEDREGION& known = m_known[record.known[i]];
        double x = laned[i].x;
        const std::string place = Place(known.chrom, known.start, known.end);
        marks += "<rect class=\"known\" x=\"" + Number(x) + "\" y=\"" + Number(track + 12.0 * laned[i].lane) +
                 "\" width=\"" + Number(laned[i].w) +
                 "\" height=\"10\" fill=\"#999999\" stroke=\"#333\" stroke-width=\"0.5\"><title>" +
                 Escaped((known.name.empty() ? "" : known.name + " ") + place) + "</title></rect>\n";
        const std::string text = known.name.empty() ? place : known.name;
        const int r = names.Place(&x, TextWidth(text, kLabelSize));
        if (r >= 0)
            texts += "<text class=\"known-name\" x=\"" + Number(x) + "\" y=\"" +
                     Number(namesTop + 10 + kRowHeight * r) + "\" font-size=\"10\" fill=\"#333\">" + Escaped(text) +
                     "</text>\n";
    }
    *bottom = namesTop + 4 + kRowHeight * names.Used();
    return "<g class=\"known\">\n" + marks + texts + "</g>\n";
}

std::string CSvgPicture::Text() const
{
    double width = kLeastWidth;
    for (const DRAWN& record : m_records)
        width = std::max(width, kLeft + LineLength(record.to - record.from) + kRight);
    // The legend: motifs in rows as wide as the picture, each a swatch of
    // its colour and marker, then the known regions' swatch, and what the
    // marks' places mean.
    std::string body = "<g class=\"legend\">\n";
    double x = kLeft;
    double y = 20;
    const auto entry = [&](const std::string& text) {
        const double w = 18 + TextWidth(text, 12) + 20;
        if (x > kLeft && x + w > width - kLeft) {
            x = kLeft;
            y += 20;
        }
        const double at = x;
        x += w;
        return at;
    };
    for (std::size_t j = 0; j < m_labels.size(); ++j) {
        const std::string text = std::to_string(j + 1) + " " + m_labels[j];
        const double at = entry(text);
        body += "<g class=\"motif\"><rect x=\"" + Number(at) + "\" y=\"" + Number(y - 11) +
                "\" width=\"12\" height=\"14\" fill=\"" + Colour(j) + "\" stroke=\"#222\" stroke-width=\"0.4\"/>" +
                Marker(MotifShape(j), at + 6, y - 4) + "<text x=\"" + Number(at + 16) + "\" y=\"" + Number(y) + "\">" +
                Escaped(text) + "</text></g>\n";
    }
    if (!m_known.empty()) {
        const std::string text = "regions of " + m_knownLabel;
        const double at = entry(text);
        body += "<rect x=\"" + Number(at) + "\" y=\"" + Number(y - 7) +
                "\" width=\"12\" height=\"8\" fill=\"#999999\" stroke=\"#333\" stroke-width=\"0.5\"/><text x=\"" +
                Number(at + 16) + "\" y=\"" + Number(y) + "\">" + Escaped(text) + "</text>\n";
    }
    // What the marks mean, a short line each, so that none runs past the
    // picture's edge.
    std::vector<std::string> notes = {
        "Marks above a line are sites on the chromosome's forward strand, below it on the reverse; numbers are "
        "module scores."};
    if (m_withP)
        notes.emplace_back("After a score: p its empirical p-value from null sequences, E its E-value.");
    notes.emplace_back("Positions are those of the BED files (0-based); a mark or a box tells more when pointed at.");
    const bool squeezed = std::any_of(m_records.begin(), m_records.end(), [](const DRAWN& record) {
        return kPerBase * static_cast<double>(record.to - record.from) > kMostLine;
    });
    if (squeezed)
        notes.emplace_back("Long records are squeezed into " + std::to_string(static_cast<int>(kMostLine)) +
                           " pixels: --svg-region NAME:START-END draws a stretch of one.");
    y += 4;
    for (const std::string& note : notes) {
        y += 16;
        body += "<text x=\"" + Number(kLeft) + "\" y=\"" + Number(y) + "\" fill=\"#444\">" + note + "</text>\n";
    }
    body += "</g>\n";
    y += 4;
    double top = y + 30;
    if (m_records.empty()) {
        const std::string text =
            m_regionSet ? "no record overlaps " + Place(m_region.chrom, m_region.start, m_region.end) +
                              " (the BED name and coordinates of --svg-region): " + std::to_string(m_seen) +
                              (m_seen == 1 ? " record" : " records") + " scanned, none drawn"
                        : "no modules: none found in " + std::to_string(m_seen) +
                              (m_seen == 1 ? " record" : " records") + " (a higher -x lowers the bar)";
        body += "<text class=\"note\" x=\"" + Number(kLeft) + "\" y=\"" + Number(top + 20) + "\" font-size=\"16\">" +
                Escaped(text) + "</text>\n";
        top += 40;
    }
    for (const DRAWN& record : m_records)
        top += DrawRecord(record, top, width, &body);
    if (m_left > 0) {
        body += "<text class=\"more\" x=\"" + Number(kLeft) + "\" y=\"" + Number(top + 8) + "\">" +
                std::to_string(m_left) + " more " + (m_left == 1 ? "record" : "records") +
                " with modules not drawn: the picture shows the first " + std::to_string(kMostRecords) + "</text>\n";
        top += 20;
    }
    const double height = top + 10;
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           Number(width) + "\" height=\"" + Number(height) + "\" viewBox=\"0 0 " + Number(width) + " " +
           Number(height) +
           "\" font-family=\"sans-serif\" font-size=\"12\">\n"
           "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n" +
           body + "</svg>\n";
}
