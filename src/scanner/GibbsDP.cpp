// Scanner lifecycle, result lists, and the sequence and numeric helpers.
#include "scanner/GibbsDP.h"

#include <utility>

namespace {

constexpr std::array<unsigned char, 256> MakeBaseCode(bool complement)
{
    std::array<unsigned char, 256> table{};
    table[static_cast<unsigned char>('A')] = complement ? 3 : 0;
    table[static_cast<unsigned char>('C')] = complement ? 2 : 1;
    table[static_cast<unsigned char>('G')] = complement ? 1 : 2;
    table[static_cast<unsigned char>('T')] = complement ? 0 : 3;
    return table;
}

char Complement(char c)
{
    switch (c) {
    case 'A': return 'T';
    case 'C': return 'G';
    case 'G': return 'C';
    case 'T': return 'A';
    case 'R': return 'Y';
    case 'Y': return 'R';
    default: return c;  // S, W and everything else, lower case included
    }
}

}  // namespace

const std::array<unsigned char, 256> kBaseCode = MakeBaseCode(false);
const std::array<unsigned char, 256> kComplementCode = MakeBaseCode(true);

// ---------------------------------------------------------------------------
// Helpers

int WordCode(const CString& word)
{
    int code = 0;
    for (int j = 0; j < word.GetLength(); ++j)
        code = code * 4 + kBaseCode[static_cast<unsigned char>(word[j])];
    return code;
}

CString Reverse(const CString& word)
{
    const int len = word.GetLength();
    std::string out(static_cast<std::size_t>(len), '\0');
    for (int i = 0; i < len; ++i)
        out[static_cast<std::size_t>(len - 1 - i)] = Complement(word[i]);
    return CString(std::move(out));
}

int intpow(int a, int n)
{
    int result = 1;
    for (int i = 0; i < n; ++i)
        result *= a;
    return result;
}

int Sum(const int* v, int n)
{
    int total = 0;
    for (int i = 0; i < n; ++i)
        total += v[i];
    return total;
}

double logGamma(int n)
{
    double total = 0.0;
    for (int k = 2; k < n; ++k)
        total += std::log(static_cast<double>(k));
    return total;
}

int Minimum(const int* v, int n)
{
    int best = 0;
    for (int i = 1; i < n; ++i)
        if (v[i] < v[best])
            best = i;
    return best;
}

int Maximum(const double* v, int n)
{
    int best = 0;
    for (int i = 1; i < n; ++i)
        if (v[i] > v[best])
            best = i;
    return best;
}

// ---------------------------------------------------------------------------
// Result lists

SITEINFO::~SITEINFO()
{
    // Unlink one node at a time so that a long list is not destroyed by
    // recursion as deep as the list is long.
    while (next)
        next = std::move(next->next);
}

MODULEINFO::~MODULEINFO()
{
    while (next)
        next = std::move(next->next);
}

void CGibbsDP::DelSiteHead(std::unique_ptr<SITEINFO>& list) { list.reset(); }

void CGibbsDP::DelModHead(std::unique_ptr<MODULEINFO>& list) { list.reset(); }

void CGibbsDP::AddSite(SITEINFO* head, std::unique_ptr<SITEINFO> node)
{
    node->next = std::move(head->next);
    head->next = std::move(node);
}

void CGibbsDP::AddSite(MODULEINFO* head, std::unique_ptr<MODULEINFO> node)
{
    node->next = std::move(head->next);
    head->next = std::move(node);
}

// ---------------------------------------------------------------------------
// Lifecycle

CGibbsDP::CGibbsDP() = default;

CGibbsDP::~CGibbsDP() { FreeMemery(); }

bool CGibbsDP::Initialize(MatrixSet& pwm)
{
    motifWidth.assign(static_cast<std::size_t>(motifNum), 0);
    if (!ReadInputPWM(pwm))
        return false;
    siteCount.assign(static_cast<std::size_t>(motifNum) + 1, 0);
    siteList.clear();
    siteList.resize(static_cast<std::size_t>(motifNum));
    return true;
}

void CGibbsDP::FreeMemery()
{
    motifWidth.clear();
    siteCount.clear();
    siteList.clear();
    DelModHead(moduleList);
}
