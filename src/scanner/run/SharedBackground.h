// One background model for every record of a run (--background), instead
// of a model estimated from each record's own bases: estimated from a FASTA
// file (a genome, a set of background sequences), from every record of the
// run's own input ("pooled"), or read from a model file that
// `Velmora background` saved.
//
// A model file holds the counts the model is estimated from, so that it
// reads back to the last bit:
//
//   #Velmora background model 1
//   #from<TAB>genome.fa.gz            comment lines: where the counts come
//   #records<TAB>8                    from, for a reader
//   #bases<TAB>143726002
//   A<TAB>42577562                    the four bases, then the sixteen pairs
//   ...                               (first base, then the next), each
//   TT<TAB>13950000                   once, in any order
//
// The model's probabilities are these counts divided: a base's count by the
// sum of the four, a pair's count by its first base's count.
#pragma once

#include <string>

#include "scanner/scan/Background.h"

// The first line of a model file; a file that starts otherwise is FASTA.
inline constexpr const char* kBackgroundModelMagic = "#Velmora background model 1";
// The --background value that pools the run's own records.
inline constexpr const char* kPooledBackground = "pooled";

struct SHAREDBACKGROUND {
    BACKGROUNDCOUNTS counts;
    BACKGROUND model;
    std::string given;      // the --background value: a path or "pooled"
    long long records = 0;  // FASTA records counted (0 for a model file)

    // 16 hex digits of the counts: two runs with the same digest scored
    // against the same model, whatever file it came from.
    std::string Digest() const;
    // "<given> (model <digest>)", as the result files and the report name it.
    std::string Description() const;
};

// The background model that --background names: "pooled" (the sequence
// file seqFile, counted in a first pass; not standard input), a model file,
// or a FASTA file (plain or gzip; "-" is standard input). False with one
// line in *error naming the file (and line) when none can be had: a file
// that cannot be read, a malformed model file, no A, C, G or T, or (for a
// file given by path) a base or pair of bases that never occurs, which
// would leave some records unscorable.
bool LoadBackground(const std::string& given, const std::string& seqFile, SHAREDBACKGROUND* out, std::string* error);

// The text of a model file for these counts; `from` names their source.
std::string BackgroundModelText(const SHAREDBACKGROUND& background, const std::string& from);

// `Velmora background -i input -o output`: the model of input (a FASTA or
// model file, as --background reads it) saved as a model file at output,
// which must not exist yet. *background is the model saved.
bool SaveBackgroundModel(const std::string& input, const std::string& output, SHAREDBACKGROUND* background,
                         std::string* error);
