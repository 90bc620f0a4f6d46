// Every result format, written: the names, headings, lines and totals.
#include "scanner/write/ResultFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "scanner/results/Significance.h"
#include "support/Version.h"

std::string ModuleFileName(const std::string& base) { return base + "_module.txt"; }

std::string MotifFileName(const std::string& base, int motif)
{
    return base + "_motif" + std::to_string(motif) + ".txt";
}

std::string ModulesBedFileName(const std::string& base) { return base + "_modules.bed"; }

std::string SitesBedFileName(const std::string& base) { return base + "_sites.bed"; }

std::string RecordsFileName(const std::string& base) { return base + "_records.tsv"; }

const char* const kRecordsHeader =
    "#name\tlength\tscanned\tmodules\tsites\tbest_module\tbest_module_E\tbest_window\tbest_window_p\t"
    "best_window_p_gumbel\tbest_window_q_gumbel\tnote\tdescription\n";

const char* const kEchoBackgroundHead = "; background: ";
const char* const kRecordsBackgroundHead = "##background: ";

std::string RecordsHeader(const std::string& background)
{
    return background.empty() ? std::string(kRecordsHeader)
                              : kRecordsBackgroundHead + background + "\n" + kRecordsHeader;
}

namespace {

// Numbers through a fixed format of a result file (never a stored text).
template <typename... Args>
void AppendFormat(std::string* out, const char* format, Args... args)
{
    char small[128];
    const int n = std::snprintf(small, sizeof small, format, args...);
    if (n < 0)
        return;
    if (static_cast<std::size_t>(n) < sizeof small) {
        out->append(small, static_cast<std::size_t>(n));
        return;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    (void)std::snprintf(big.data(), big.size(), format, args...);
    out->append(big.data(), static_cast<std::size_t>(n));
}

// Some motif is no wider than the record: it may hold a site.
// A score for column 5 of a BED line: 0 to 1000, rounded.
int BedScore(double value) { return static_cast<int>(std::lround(std::clamp(value, 0.0, 1000.0))); }

}  // namespace

const char* const kModuleTotalHead = "# modules = ";
const char* const kBannerHead = "Velmora ";

std::string MotifTotalHead(int motif) { return " # of sites for motif " + std::to_string(motif) + " = "; }

std::string ModuleHeading(std::string_view commandLine)
{
    std::string text = "\n\n";
    text.append(kVersionLine).append("\n").append(commandLine).append("\n\n");
    return text;
}

std::string MotifHeading(int motif) { return "\n\nmotif " + std::to_string(motif) + "\n\n"; }

std::string ModuleTotal(long long modules) { return "\n" + (kModuleTotalHead + std::to_string(modules)) + "\n"; }

std::string MotifTotal(int motif, long long sites)
{
    return "\n" + MotifTotalHead(motif) + std::to_string(sites) + "\n";
}

std::string PValueText(double p)
{
    char text[32];
    (void)std::snprintf(text, sizeof text, "%.6g", p);
    return text;
}

std::string EValueText(double e) { return PValueText(e); }

std::string SiteString(const std::vector<SITEINFO>& sites)
{
    if (sites.empty())
        return "NULL";
    std::string text;
    for (const SITEINFO& site : sites)
        AppendFormat(&text, "%c%d(%d)", site.forward ? '+' : '-', site.motif + 1, site.pos);
    return text;
}

std::string ModuleLines(const RECORDRESULT& record)
{
    std::string text;
    for (const MODULEINFO& module : record.modules) {
        text.append(record.name);
        AppendFormat(&text, "\t[%d,%d]\t%.6lf\t", module.start, module.start + record.window, module.score);
        text.append(SiteString(module.sites)).append("\n");
    }
    return text;
}

std::string MotifLines(const RECORDRESULT& record, int motif)
{
    std::string text;
    for (const MODULEINFO& module : record.modules)
        for (const SITEINFO& site : module.sites) {
            if (site.motif + 1 != motif)
                continue;
            text.append(record.name).append(site.forward ? "\tf\t" : "\tr\t");
            AppendFormat(&text, "%d\t%.6lf\n", site.pos, site.prob);
            text.append(site.site).append("\n");
        }
    return text;
}

BEDMOTIFS MakeBedMotifs(std::vector<std::string> labels, std::vector<int> widths)
{
    labels.resize(widths.size());
    for (std::size_t j = 0; j < labels.size(); ++j) {
        if (labels[j].empty())
            labels[j] = "motif" + std::to_string(j + 1);
        for (char& c : labels[j])
            if (static_cast<unsigned char>(c) <= ' ')
                c = '_';
    }
    return BEDMOTIFS {std::move(labels), std::move(widths)};
}

std::string BedModuleLines(const RECORDRESULT& record, const BEDNAME& name, const BEDMOTIFS& motifs, bool withP,
                           long long* number)
{
    std::string text;
    for (const MODULEINFO& module : record.modules) {
        const long long start = name.Start(module.start, record.window);
        text.append(name.chrom);
        AppendFormat(&text, "\t%lld\t%lld\tmodule%lld\t%d\t.\t%.6lf\t", start, start + record.window, ++*number,
                     BedScore(100.0 * module.score), module.score);
        std::vector<const SITEINFO*> sites;
        for (const SITEINFO& site : module.sites)
            sites.push_back(&site);
        if (name.minus)
            std::reverse(sites.begin(), sites.end());
        if (sites.empty())
            text.append("NULL");
        for (const SITEINFO* site : sites) {
            const std::size_t j = static_cast<std::size_t>(site->motif);
            text += name.Strand(site->forward ? '+' : '-');
            text.append(j < motifs.labels.size() ? motifs.labels[j] : "motif" + std::to_string(j + 1));
            AppendFormat(&text, "(%lld)", name.Start(site->pos, j < motifs.widths.size() ? motifs.widths[j] : 0));
        }
        if (withP)
            text.append("\t")
                .append(PValueText(EmpiricalP(record.nullScores, module.score)))
                .append("\t")
                .append(EValueText(
                    EValue(record.nullModuleScores, static_cast<int>(record.nullScores.size()), module.score)));
        text.append("\n");
    }
    return text;
}

std::string BedSiteLines(const RECORDRESULT& record, const BEDNAME& name, const BEDMOTIFS& motifs)
{
    // The sites of every motif, in the order the motif files list them.
    std::vector<const SITEINFO*> all;
    for (std::size_t k = 0; k < motifs.widths.size(); ++k)
        for (const MODULEINFO& module : record.modules)
            for (const SITEINFO& site : module.sites)
                if (static_cast<std::size_t>(site.motif) == k)
                    all.push_back(&site);
    const auto onChrom = [&](const SITEINFO* site) {
        return name.Start(site->pos, motifs.widths[static_cast<std::size_t>(site->motif)]);
    };
    std::stable_sort(all.begin(), all.end(),
                     [&](const SITEINFO* a, const SITEINFO* b) { return onChrom(a) < onChrom(b); });
    std::string text;
    for (const SITEINFO* site : all) {
        const long long start = onChrom(site);
        const auto j = static_cast<std::size_t>(site->motif);
        text.append(name.chrom);
        AppendFormat(&text, "\t%lld\t%lld\t", start, start + motifs.widths[j]);
        text.append(motifs.labels[j]);
        AppendFormat(&text, "\t%d\t%c\t%.6lf\t%d\t", BedScore(1000.0 * site->prob),
                     name.Strand(site->forward ? '+' : '-'), site->prob, site->motif + 1);
        text.append(site->site).append("\n");
    }
    return text;
}

RECORDNAME SplitRecordName(std::string_view header)
{
    RECORDNAME name {std::string(HeaderWord(header)), {}};
    // What follows the first word and the blanks after it.
    std::string_view rest = header.substr(!header.empty() && header[0] == '>' ? 1 : 0);
    const auto skip = [&rest](bool blanks) {
        std::size_t n = 0;
        while (n < rest.size() && (rest[n] == ' ' || rest[n] == '\t') == blanks)
            ++n;
        rest.remove_prefix(n);
    };
    skip(true);
    skip(false);
    skip(true);
    name.description.assign(rest);
    std::replace(name.description.begin(), name.description.end(), '\t', ' ');
    return name;
}

std::string RecordLine(const RECORDRESULT& record, const std::vector<int>& widths, int moduleLength, double* p,
                       std::string* note)
{
    const int motifNum = static_cast<int>(widths.size());
    // The name is the header's first word, as the BED files name the
    // record, so that the files join on it; the rest of the header goes to
    // the last column, blanks for its tabs.
    const RECORDNAME name = SplitRecordName(record.name);
    std::string text = name.name;
    RUNTOTALS counts(motifNum);  // the record's sites per motif
    counts.Add(record);
    AppendFormat(&text, "\t%d\t%lld\t%zu\t", record.length, record.scannedBases, record.modules.size());
    for (std::size_t j = 0; j < counts.sites.size(); ++j)
        AppendFormat(&text, j > 0 ? ",%lld" : "%lld", counts.sites[j]);
    text += '\t';
    const RECORDSIGNIFICANCE significance = RecordSignificance(record, widths, moduleLength);
    if (!record.modules.empty()) {
        AppendFormat(&text, "%.6lf", significance.bestModule);
        text += '\t';
        if (!std::isnan(significance.bestModuleE))
            text.append(EValueText(significance.bestModuleE));
    } else {
        text += '\t';
    }
    text += '\t';
    if (record.scanned)
        AppendFormat(&text, "%.6lf", record.bestWindow);
    text += '\t';
    *p = std::nan("");
    if (!std::isnan(significance.fitted)) {
        // The q-values are taken over the p-values as printed, so that a
        // merge of parts, which reads them back, takes the very same ones.
        const std::string fitted = PValueText(significance.fitted);
        *p = std::strtod(fitted.c_str(), nullptr);
        text.append(PValueText(significance.empirical)).append("\t").append(fitted);
    } else {
        text += '\t';
    }
    text += '\t';
    *note = significance.note + "\t" + name.description;
    return text;
}

std::string RecordLineEnd(const std::string& q, const std::string& note) { return q + "\t" + note + "\n"; }
