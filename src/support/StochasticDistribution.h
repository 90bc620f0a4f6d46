// CStochasticDistribution: draws from the uniform, normal, beta, Dirichlet and
// discrete distributions, built on the standard library's rand(). The number
// and order of rand() calls of each draw is fixed, so a fixed seed gives fixed
// draws.
#pragma once

class CStochasticDistribution {
public:
    CStochasticDistribution() = default;
    ~CStochasticDistribution() = default;

    double Uniform(double a, double b);
    double Normal(double mean, double sd);
    double Beta(int a, int b);
    void Dirichlet(const int* counts, int n, double* out);
    int Discrete(double* logw, int n);
};
