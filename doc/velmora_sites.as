table velmoraSites
"Binding sites inside the modules found by Velmora: BASE_sites.bed, bed6+3"
    (
    string  chrom;       "Sequence name: the record's first word, or the chrom of its interval name"
    uint    chromStart;  "Start of the site, 0-based"
    uint    chromEnd;    "End of the site, exclusive"
    string  name;        "The motif's name from the matrix file (else its ID, else motif<k>)"
    uint    score;       "1000 times the site's probability, rounded"
    char[1] strand;      "Strand of the site on chrom: + or -"
    double  probability; "Probability of the traceback step that took the site, as in BASE_motif<k>.txt"
    uint    motif;       "Motif number k, in matrix-file order"
    string  sequence;    "The site's bases as read on its own strand"
    )
