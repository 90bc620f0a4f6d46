// Where a record lies on a genome, read from its FASTA header: the BED
// files name a chromosome and genome coordinates when the header is an
// interval that bedtools getfasta or samtools faidx wrote.
#pragma once

#include <string>
#include <string_view>

// The BED sequence name of a FASTA header line ('>' included): its first
// word after '>' and any blanks ("unnamed" when there is none). A word of
// the form chrom:start-end, as bedtools getfasta names an interval, with
// whole-number start and end, stands for that interval of chrom: the BED
// lines then name chrom and carry genomic coordinates (positions shifted by
// start).
struct BEDNAME {
    std::string chrom;      // the BED sequence name
    long long offset = 0;   // where the record starts on chrom (0-based)
    long long end = 0;      // where it ends (exclusive), for a minus-strand record
    bool minus = false;     // the record is the reverse complement of chrom's interval
    bool interval = false;  // read from an interval of the header

    // The interval on chrom of `length` bases from record position pos, and
    // a strand on the record ('+', '-' or '.') as it is on chrom.
    long long Start(long long pos, long long length) const { return minus ? end - pos - length : offset + pos; }
    char Strand(char strand) const { return !minus || strand == '.' ? strand : strand == '+' ? '-' : '+'; }
};

// The BED sequence name and coordinates of a record from its header: the
// first word, without the '>'. Read as an interval of a genome sequence when
// it is one of
//   chrom:start-end           bedtools getfasta (0-based, end exclusive)
//   name::chrom:start-end     getfasta -name
//   chrom:start-end(+), (-)   getfasta -s; (-) is the reverse complement
// and, with oneBased, the samtools faidx form chrom:start-end (1-based, end
// inclusive). Anything else is a sequence name with positions from 0.
BEDNAME BedSequenceName(std::string_view header, bool oneBased = false);

// The first word of a header after its '>' and any blanks; "unnamed" when
// there is none.
std::string_view HeaderWord(std::string_view header);

// The BED name of a record of `length` bases: as BedSequenceName reads its
// header, but an interval whose length is not the record's is no genome
// position (the header was edited, or names something else): the record
// then keeps its own positions under the header's first word, and
// *misfit is set.
BEDNAME RecordBedName(std::string_view header, long long length, bool oneBased, bool* misfit);
