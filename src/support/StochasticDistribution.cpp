#include "support/StochasticDistribution.h"

double CStochasticDistribution::Uniform(double a, double) { return a; }
double CStochasticDistribution::Normal(double mean, double) { return mean; }
double CStochasticDistribution::Beta(int, int) { return 0.0; }
void CStochasticDistribution::Dirichlet(const int*, int, double*) {}
int CStochasticDistribution::Discrete(double*, int) { return -1; }
