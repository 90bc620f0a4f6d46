// Fuzzes the FASTA reader on plain and gzip-compressed bytes: every record
// it hands out must hold upper-case letters only, and a name never holds a
// line feed.
#include <cstdint>
#include <memory>
#include <string>

#include "scanner/read/FastaReader.h"
#include "support/InputSource.h"
#include "support/LineReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<CByteSource> source;
    if (LooksGzipped(bytes))
        source = std::make_unique<CGzipSource>(std::make_unique<CMemorySource>(std::move(bytes)));
    else
        source = std::make_unique<CMemorySource>(std::move(bytes));
    // A small block size makes lines and CR-LF pairs straddle blocks often.
    CLineReader lines(std::move(source), 7);
    CFastaReader fasta(lines);
    FASTARECORD record;
    while (fasta.Next(&record)) {
        const CString& letters = record.letters;
        for (int i = 0; i < letters.GetLength(); ++i)
            if (letters[i] < 'A' || letters[i] > 'Z')
                __builtin_trap();
        if (record.name.find('\n') != std::string::npos)
            __builtin_trap();
    }
    return 0;
}
