// Synthetic input for benchmarks: a FASTA file drawn from a first-order
// Markov chain with a human-like base composition, runs of N, and planted
// modules (clusters of sites drawn from the matrices), plus a matrix file of
// three motifs of widths 10, 12 and 14.
//
//   velmora_synth --bases N [--records R] [--seed S] [--line W]
//                 --fasta out.fa --matrices out.pwm
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

}  // namespace

int main(int argc, char** argv)
{
    long long bases = 1000000;
    long long records = 1;
    unsigned long long seed = 1;
    int lineWidth = 60;
    const char* fastaPath = nullptr;
    const char* matrixPath = nullptr;
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
    }
    if (!fastaPath || !matrixPath || bases < 1 || records < 1 || lineWidth < 1) {
        std::fprintf(stderr, "usage: velmora_synth --bases N [--records R] [--seed S] [--line W] "
                             "--fasta out.fa --matrices out.pwm\n");
        return 1;
    }
    std::mt19937_64 rng(seed);
    const std::vector<Motif> motifs = MakeMotifs(rng);
    if (!WriteMatrices(matrixPath, motifs)) {
        std::fprintf(stderr, "velmora_synth: cannot write %s\n", matrixPath);
        return 1;
    }
    FILE* out = std::fopen(fastaPath, "w");
    if (!out) {
        std::fprintf(stderr, "velmora_synth: cannot write %s\n", fastaPath);
        return 1;
    }
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<char> line;
    for (long long rec = 0; rec < records; ++rec) {
        const long long length = bases / records + (rec < bases % records ? 1 : 0);
        std::fprintf(out, ">synthetic%lld length=%lld\n", rec + 1, length);
        int prev = 0;
        long long plantLeft = 0;  // bases left in the current module
        long long nLeft = 0;      // bases left in the current N run
        std::string site;         // letters of the site being written
        std::size_t siteAt = 0;
        line.clear();
        for (long long i = 0; i < length; ++i) {
            char c;
            if (nLeft > 0) {
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
    if (std::fclose(out) != 0) {
        std::fprintf(stderr, "velmora_synth: write to %s failed\n", fastaPath);
        return 1;
    }
    return 0;
}
