#include "scanner/write/SvgPicture.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "scanner/results/Significance.h"

namespace {

// Colours told apart by most readers, colour-blind ones included (the
// Okabe-Ito set, then darker and lighter companions); motifs beyond them
// take them again in turn.
const char* const kColours[] = {"#E69F00", "#56B4E9", "#009E73", "#D55E00", "#0072B2", "#CC79A7",
                                "#F0E442", "#000000", "#8C564B", "#7F7F7F", "#BCBD22", "#17BECF"};

constexpr double kWidth = 1000.0;  // the picture's width
constexpr double kLeft = 20.0;     // the records' lines run from here
constexpr double kLine = 960.0;    // ... for this long
constexpr double kTrack = 100.0;   // height per record

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

}  // namespace

CSvgPicture::CSvgPicture(std::vector<std::string> labels, std::vector<int> widths)
    : m_labels(std::move(labels)), m_widths(std::move(widths))
{
    m_labels.resize(m_widths.size());
    for (std::size_t j = 0; j < m_labels.size(); ++j)
        if (m_labels[j].empty())
            m_labels[j] = "motif" + std::to_string(j + 1);
}

void CSvgPicture::Add(const RECORDRESULT& record)
{
    if (record.modules.empty())
        return;
    if (m_records.size() >= static_cast<std::size_t>(kMostRecords)) {
        ++m_left;
        return;
    }
    std::string name = record.name;
    if (!name.empty() && name.front() == '>')
        name.erase(0, 1);
    std::vector<std::string> p;
    for (const MODULEINFO& module : record.modules) {
        char text[64] = "";
        m_withP = m_withP || !record.nullScores.empty();
        if (!record.nullScores.empty())
            (void)std::snprintf(
                text, sizeof text, ", p %.3g, E %.3g", EmpiricalP(record.nullScores, module.score),
                EValue(record.nullModuleScores, static_cast<int>(record.nullScores.size()), module.score));
        p.emplace_back(text);
    }
    m_records.push_back({std::move(name), record.length, record.window, record.modules, std::move(p)});
}

std::string CSvgPicture::Text() const
{
    const std::size_t rows = (m_labels.size() + 5) / 6;  // of the legend, six motifs each
    const double legendRows = static_cast<double>(rows);
    const double top = 50.0 + 20.0 * legendRows;
    const double height = top + kTrack * static_cast<double>(m_records.size()) + (m_left > 0 ? 30.0 : 10.0);
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      Number(kWidth) + "\" height=\"" + Number(height) + "\" viewBox=\"0 0 " + Number(kWidth) + " " +
                      Number(height) +
                      "\" font-family=\"sans-serif\" font-size=\"12\">\n"
                      "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    // The legend: six motifs a row, and what the marks' places mean.
    svg += "<g class=\"legend\">\n";
    for (std::size_t j = 0; j < m_labels.size(); ++j) {
        const double x = kLeft + 160.0 * static_cast<double>(j % 6);
        const std::size_t row = j / 6;
        const double y = 20.0 + 20.0 * static_cast<double>(row);
        svg += "<rect x=\"" + Number(x) + "\" y=\"" + Number(y - 10) + "\" width=\"12\" height=\"12\" fill=\"" +
               kColours[j % std::size(kColours)] + "\"/><text x=\"" + Number(x + 16) + "\" y=\"" + Number(y) + "\">" +
               std::to_string(j + 1) + " " + Escaped(m_labels[j]) + "</text>\n";
    }
    svg += "<text x=\"" + Number(kLeft) + "\" y=\"" + Number(20.0 + 20.0 * legendRows) +
           "\" fill=\"#444\">Sites above a line are on the forward strand, below it on the reverse; "
           "numbers are module scores" +
           std::string(m_withP ? ", p their empirical p-values from null sequences" : "") + ".</text>\n</g>\n";
    for (std::size_t r = 0; r < m_records.size(); ++r) {
        const DRAWN& record = m_records[r];
        const double y = top + kTrack * static_cast<double>(r) + 55.0;  // the record's line
        const double scale = kLine / std::max(1, record.length);
        auto at = [&](int pos) { return kLeft + scale * pos; };
        svg += "<g class=\"record\">\n<text x=\"" + Number(kLeft) + "\" y=\"" + Number(y - 35) + "\">" +
               Escaped(record.name) + " (" + std::to_string(record.length) + " bases, " +
               std::to_string(record.modules.size()) + (record.modules.size() == 1 ? " module" : " modules") +
               ")</text>\n<line x1=\"" + Number(kLeft) + "\" y1=\"" + Number(y) + "\" x2=\"" + Number(kLeft + kLine) +
               "\" y2=\"" + Number(y) + "\" stroke=\"#444\" stroke-width=\"1\"/>\n";
        for (std::size_t m = 0; m < record.modules.size(); ++m) {
            const MODULEINFO& module = record.modules[m];
            const double x = at(module.start);
            const double w = std::max(2.0, scale * record.window);
            svg += "<rect class=\"module\" x=\"" + Number(x) + "\" y=\"" + Number(y - 20) + "\" width=\"" + Number(w) +
                   "\" height=\"40\" fill=\"#EEEEEE\" fill-opacity=\"0.6\" stroke=\"#666\"><title>module [" +
                   std::to_string(module.start) + "," + std::to_string(module.start + record.window) + "], score " +
                   Number(module.score) + record.p[m] + "</title></rect>\n<text x=\"" + Number(x) + "\" y=\"" +
                   Number(y - 23) + "\" font-size=\"10\">" + Number(module.score) + record.p[m] + "</text>\n";
            for (const SITEINFO& site : module.sites) {
                const auto j = static_cast<std::size_t>(site.motif);
                const int width = j < m_widths.size() ? m_widths[j] : 1;
                const std::string label = j < m_labels.size() ? m_labels[j] : "motif" + std::to_string(j + 1);
                svg += std::string("<rect class=\"site ") + (site.forward ? "forward" : "reverse") + "\" x=\"" +
                       Number(at(site.pos)) + "\" y=\"" + Number(site.forward ? y - 16 : y + 2) + "\" width=\"" +
                       Number(std::max(2.0, scale * width)) + "\" height=\"14\" fill=\"" +
                       kColours[j % std::size(kColours)] + "\"><title>" + Escaped(label) + " at " +
                       std::to_string(site.pos) + (site.forward ? " (+)" : " (-)") + ", probability " +
                       Number(site.prob) + "</title></rect>\n";
            }
        }
        svg += "</g>\n";
    }
    if (m_left > 0)
        svg += "<text class=\"more\" x=\"" + Number(kLeft) + "\" y=\"" + Number(height - 12) + "\">" +
               std::to_string(m_left) + " more " + (m_left == 1 ? "record" : "records") +
               " with modules not drawn: the picture shows the first " + std::to_string(kMostRecords) + "</text>\n";
    svg += "</svg>\n";
    return svg;
}
