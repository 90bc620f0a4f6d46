// BED output (--bed): the modules and sites of a run as BED lines, for
// genome browsers and interval tools, beside the usual result files.
//
//   <base>_modules.bed  name  start  end  moduleN  score  .  site-string
//   <base>_sites.bed    name  start  end  motif    prob   +|-
//
// Coordinates are 0-based with the end excluded. A module ends at start +
// the window length actually used (the module file's interval end); a site
// at start + its motif's width. Scores are printed as the module and motif
// files print them (%.6f). Module names run module1, module2, ... through
// the run. Within one sequence the site lines are ordered by start
// (motif number, then file order, on ties).
//
// The sequence name is the first word of the FASTA header: the text after
// '>' with leading blanks skipped, up to the next blank or tab ("unnamed"
// when there is none). A name of the form chrom:start-end, as bedtools
// getfasta writes it, with whole-number start and end, stands for that
// interval of chrom: the BED lines then name chrom and carry genomic
// coordinates (positions shifted by start).
//
// Both files are appended to, like the other result files.
#pragma once

#include <string>
#include <string_view>

#include "support/MyString.h"

struct BEDNAME {
    std::string chrom;       // the BED sequence name
    long long offset = 0;    // added to every position of the sequence
};

// The BED sequence name of a FASTA header line, '>' included (as seqName
// holds it).
BEDNAME BedSequenceName(std::string_view header);

std::string ModulesBedFileName(const CString& outFile);  // outFile + "_modules.bed"
std::string SitesBedFileName(const CString& outFile);    // outFile + "_sites.bed"
