// Fuzzes the matrix reader: the first byte chooses K (1 to 4), the rest is
// the matrix file.
#include <cstdint>

#include "FuzzSupport.h"
#include "scanner/read/MatrixReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static MemFile file;
    if (size == 0)
        return 0;
    const std::string path = file.Set(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    MATRIXSET set;
    std::string error;
    if (ReadMatrixFile(path, 1 + data[0] % 4, &set, &error)) {
        // A matrix that was accepted holds probabilities that sum to 1.
        for (const Matrix& m : set.matrices)
            for (std::size_t r = 0; r + 3 < m.size(); r += 4)
                if (!(m[r] > 0 && m[r + 1] > 0 && m[r + 2] > 0 && m[r + 3] > 0))
                    __builtin_trap();
    }
    return 0;
}
