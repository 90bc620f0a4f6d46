table velmoraModules
"Cis-regulatory modules found by Velmora: BASE_modules.bed, bed6+2"
    (
    string  chrom;       "Sequence name: the record's first word, or the chrom of its interval name"
    uint    chromStart;  "Start of the module window, 0-based"
    uint    chromEnd;    "End of the module window, exclusive"
    string  name;        "module<N>, numbered through the file"
    uint    score;       "100 times the module score, rounded and held to 0..1000"
    char[1] strand;      "Always . (a module has no strand)"
    double  moduleScore; "The module score, as in BASE_module.txt"
    lstring sites;       "The module's sites in chrom order: strand on chrom, motif name, start on chrom in parentheses; NULL for none"
    )
