// Synthetic input for benchmarks: a FASTA file drawn from a first-order
// Markov chain with a human-like base composition, runs of N, and planted
// modules (clusters of sites drawn from the matrices), plus a matrix file of
// three motifs of widths 10, 12 and 14.
//
//   velmora_synth --bases N [--records R] [--seed S] [--line W]
//                 --fasta out.fa --matrices out.pwm
//   velmora_synth --genome FRACTION [--seed S] [--line W]
//                 --fasta - [--matrices out.pwm]
//
// --genome writes 24 records named and sized as the human chromosomes of
// GRCh38 (chr1 to chr22, chrX, chrY), each cut to FRACTION of its length,
// with the assembly's kinds of N runs: 10 kb at both ends (telomeres), a
// gap of 1% near the middle (centromere), three smaller gaps, and most of
// chrY's long arm.
// "-" as the FASTA file streams to standard output, so that a whole genome
// can be piped into the tool without 3 GB of disk.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

const char kBases[4] = {'A', 'C', 'G', 'T'};

// Transition probabilities of a first-order chain close to human DNA
// (about 41% GC, CpG depleted).
const double kTransition[4][4] = {
    {0.33, 0.17, 0.24, 0.26},
    {0.35, 0.26, 0.05, 0.34},
    {0.29, 0.21, 0.25, 0.25},
    {0.22, 0.20, 0.25, 0.33},
};

struct Motif {
    std::vector<double> prob;  // width x 4
    int width = 0;
};

std::vector<Motif> MakeMotifs(std::mt19937_64& rng)
{
    std::vector<Motif> motifs;
    std::uniform_int_distribution<int> base(0, 3);
    for (int width : {10, 12, 14}) {
        Motif m;
        m.width = width;
        for (int r = 0; r < width; ++r) {
            const int consensus = base(rng);
            for (int b = 0; b < 4; ++b)
                m.prob.push_back(b == consensus ? 0.85 : 0.05);
        }
        motifs.push_back(m);
    }
    return motifs;
}

int Draw(std::mt19937_64& rng, const double* p)
{
    double u = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
    for (int b = 0; b < 3; ++b) {
        if (u < p[b])
            return b;
        u -= p[b];
    }
    return 3;
}

struct Chromosome {
    const char* name;
    long long length;
};

// GRCh38 primary assembly lengths.
const Chromosome kGrch38[24] = {
    {"chr1", 248956422},  {"chr2", 242193529},  {"chr3", 198295559},  {"chr4", 190214555},  {"chr5", 181538259},
    {"chr6", 170805979},  {"chr7", 159345973},  {"chr8", 145138636},  {"chr9", 138394717},  {"chr10", 133797422},
    {"chr11", 135086622}, {"chr12", 133275309}, {"chr13", 114364328}, {"chr14", 107043718}, {"chr15", 101991189},
    {"chr16", 90338345},  {"chr17", 83257441},  {"chr18", 80373285},  {"chr19", 58617616},  {"chr20", 64444167},
    {"chr21", 46709983},  {"chr22", 50818468},  {"chrX", 156040895},  {"chrY", 57227415},
};

// A run of N from begin to one before end.
struct Gap {
    long long begin;
    long long end;
};

// Sorted, disjoint N runs of one chromosome of the given length: telomeres
// of 10 kb (at most a tenth of the record each), a centromere gap of 1% of
// the length somewhere in the middle fifth, three gaps of 1 to 50 kb (scaled
// like the record), and on chrY the heterochromatic long arm.
std::vector<Gap> GenomeGaps(std::mt19937_64& rng, const Chromosome& chrom, long long length)
{
    std::vector<Gap> gaps;
    const long long telomere = std::min<long long>(10000, length / 10);
    if (telomere > 0)
        gaps.push_back({0, telomere});
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto at = [&](double lo, double hi) {
        return static_cast<long long>((lo + (hi - lo) * unit(rng)) * static_cast<double>(length));
    };
    const long long centre = at(0.4, 0.6);
    gaps.push_back({centre, centre + std::max<long long>(1, length / 100)});
    const double scale = static_cast<double>(length) / static_cast<double>(chrom.length);
    for (int k = 0; k < 3; ++k) {
        const long long start = at(0.1, 0.9);
        const long long size = static_cast<long long>((1000 + unit(rng) * 49000) * scale);
        gaps.push_back({start, start + std::max<long long>(1, size)});
    }
    if (!std::strcmp(chrom.name, "chrY"))
        gaps.push_back({length * 47 / 100, length * 99 / 100});
    if (telomere > 0)
        gaps.push_back({length - telomere, length});
    std::sort(gaps.begin(), gaps.end(), [](const Gap& a, const Gap& b) { return a.begin < b.begin; });
    std::vector<Gap> merged;
    for (Gap g : gaps) {
        g.end = std::min(g.end, length);
        if (!merged.empty() && g.begin <= merged.back().end)
            merged.back().end = std::max(merged.back().end, g.end);
        else if (g.begin < g.end)
            merged.push_back(g);
    }
    return merged;
}

bool WriteMatrices(const char* path, const std::vector<Motif>& motifs)
{
    FILE* out = std::fopen(path, "w");
    if (!out)
        return false;
    for (const Motif& m : motifs) {
        std::fprintf(out, ">%d synthetic\n", m.width);
        for (int r = 0; r < m.width; ++r)
            std::fprintf(out, "%d\t%d\t%d\t%d\n", static_cast<int>(m.prob[r * 4] * 100 + 0.5),
                         static_cast<int>(m.prob[r * 4 + 1] * 100 + 0.5),
                         static_cast<int>(m.prob[r * 4 + 2] * 100 + 0.5),
                         static_cast<int>(m.prob[r * 4 + 3] * 100 + 0.5));
    }
    return std::fclose(out) == 0;
}

// Writes one record's bases: the Markov chain with planted modules and
// random assembly gaps, and N throughout the given fixed gaps (which draw
// nothing from rng, so that records without them stay as they were).
void WriteBases(FILE* out, std::mt19937_64& rng, const std::vector<Motif>& motifs, int lineWidth, long long length,
                const std::vector<Gap>& gaps)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<char> line;
    int prev = 0;
    long long plantLeft = 0;  // bases left in the current module
    long long nLeft = 0;      // bases left in the current N run
    std::string site;         // letters of the site being written
    std::size_t siteAt = 0;
    std::size_t gap = 0;  // first fixed gap not yet passed
    for (long long i = 0; i < length; ++i) {
        while (gap < gaps.size() && gaps[gap].end <= i)
            ++gap;
        char c;
        if (gap < gaps.size() && gaps[gap].begin <= i) {
            c = 'N';
        } else if (nLeft > 0) {
            c = 'N';
            --nLeft;
        } else if (siteAt < site.size()) {
            c = site[siteAt++];
        } else {
            if (plantLeft == 0 && unit(rng) < 1.0 / 20000)
                plantLeft = 200;  // a module every 20 kb on average
            else if (plantLeft == 0 && unit(rng) < 1.0 / 1000000)
                nLeft = 1000 + static_cast<long long>(unit(rng) * 4000);  // assembly gap
            if (plantLeft > 0 && unit(rng) < 0.05) {
                const Motif& m = motifs[static_cast<std::size_t>(unit(rng) * 3) % 3];
                site.clear();
                siteAt = 0;
                for (int r = 0; r < m.width; ++r)
                    site += kBases[Draw(rng, &m.prob[static_cast<std::size_t>(r) * 4])];
            }
            if (plantLeft > 0)
                --plantLeft;
            if (siteAt < site.size()) {
                c = site[siteAt++];
            } else {
                prev = Draw(rng, kTransition[prev]);
                c = kBases[prev];
            }
        }
        line.push_back(c);
        if (static_cast<int>(line.size()) == lineWidth) {
            line.push_back('\n');
            std::fwrite(line.data(), 1, line.size(), out);
            line.clear();
        }
    }
    if (!line.empty()) {
        line.push_back('\n');
        std::fwrite(line.data(), 1, line.size(), out);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    long long bases = 1000000;
    long long records = 1;
    unsigned long long seed = 1;
    int lineWidth = 60;
    const char* fastaPath = nullptr;
    const char* matrixPath = nullptr;
    double genome = 0;  // fraction of GRCh38, 0 for the --bases records
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--bases"))
            bases = std::atoll(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--records"))
            records = std::atoll(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--seed"))
            seed = std::strtoull(argv[i + 1], nullptr, 10);
        else if (!std::strcmp(argv[i], "--line"))
            lineWidth = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--fasta"))
            fastaPath = argv[i + 1];
        else if (!std::strcmp(argv[i], "--matrices"))
            matrixPath = argv[i + 1];
        else if (!std::strcmp(argv[i], "--genome"))
            genome = std::atof(argv[i + 1]);
    }
    // The genome is streamed while the matrices must exist before the tool
    // reads them, so a genome run may leave them to an earlier call.
    if (!fastaPath || (!matrixPath && genome <= 0) || bases < 1 || records < 1 || lineWidth < 1 || genome < 0 ||
        genome > 1) {
        std::fprintf(stderr, "usage: velmora_synth --bases N [--records R] [--seed S] [--line W] "
                             "--fasta out.fa --matrices out.pwm\n"
                             "       velmora_synth --genome FRACTION [--seed S] [--line W] "
                             "--fasta out.fa|- [--matrices out.pwm]\n");
        return 1;
    }
    std::mt19937_64 rng(seed);
    const std::vector<Motif> motifs = MakeMotifs(rng);
    if (matrixPath && !WriteMatrices(matrixPath, motifs)) {
        std::fprintf(stderr, "velmora_synth: cannot write %s\n", matrixPath);
        return 1;
    }
    const bool toStdout = !std::strcmp(fastaPath, "-");
    FILE* out = toStdout ? stdout : std::fopen(fastaPath, "w");
    if (!out) {
        std::fprintf(stderr, "velmora_synth: cannot write %s\n", fastaPath);
        return 1;
    }
    if (genome > 0) {
        for (const Chromosome& chrom : kGrch38) {
            const long long length = std::max<long long>(1, std::llround(static_cast<double>(chrom.length) * genome));
            const std::vector<Gap> gaps = GenomeGaps(rng, chrom, length);
            std::fprintf(out, ">%s\n", chrom.name);
            WriteBases(out, rng, motifs, lineWidth, length, gaps);
        }
    } else {
        for (long long rec = 0; rec < records; ++rec) {
            const long long length = bases / records + (rec < bases % records ? 1 : 0);
            std::fprintf(out, ">synthetic%lld length=%lld\n", rec + 1, length);
            WriteBases(out, rng, motifs, lineWidth, length, {});
        }
    }
    if (std::fclose(out) != 0) {
        std::fprintf(stderr, "velmora_synth: write to %s failed\n", fastaPath);
        return 1;
    }
    return 0;
}
