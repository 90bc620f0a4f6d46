// Cutting a run into parts and putting the results back together: for runs
// spread over a cluster, where each part of a FASTA file is scanned by its
// own job. Records are scanned independently of each other, so the parts'
// results, merged in order, are the results of one run over the whole file.
#pragma once

#include <string>
#include <vector>

// Splits the FASTA file at `path` ("-": standard input; gzip read as it is)
// into prefix.part001.fa, prefix.part002.fa, ...: records in input order,
// none cut; a part takes records up to partBases bases, and a record larger
// than that is a part of its own. At least one part is written. *parts gets
// the file names. False with *error set (and no part left behind) when the
// input cannot be read or a part cannot be written.
bool SplitFasta(const std::string& path, const std::string& prefix, long long partBases,
                std::vector<std::string>* parts, std::string* error);

// Merges the result files of runs over consecutive parts, named by their
// base names in input order, into new result files of base `base`: what one
// run over the whole input writes, but for the command-line echo, which is
// `echo` (the merge's own words). The parts must fit together: one run each,
// the same options and matrices (their echo lines alike but for the input,
// the base name and the thread count), the same number of motifs, BED files
// in all or none, each part once and, where named by the split, none
// missing. The result files of `base` must not exist yet. Streams: no part
// is held in memory. False with *error set, and nothing written, when the
// parts do not fit or a file cannot be read or written. *others gets the
// files of `base` that an earlier run left and the merge does not write.
bool MergeResults(const std::string& base, const std::vector<std::string>& partBases, bool bed, const std::string& echo,
                  std::string* error, std::vector<std::string>* others = nullptr);
