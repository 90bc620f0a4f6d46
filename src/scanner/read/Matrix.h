// A weight matrix as the readers produce it and the model scores with it.
#pragma once

#include <vector>

// One weight matrix: width rows of 4 probabilities (A, C, G, T); the entry
// for motif position r and base code b is element r * 4 + b.
using Matrix = std::vector<double>;
using MatrixSet = std::vector<Matrix>;
