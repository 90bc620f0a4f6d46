table velmoraModulesP
"Cis-regulatory modules found by Velmora with --null: BASE_modules.bed, bed6+4"
    (
    string  chrom;       "Sequence name: the record's first word, or the chrom of its interval name"
    uint    chromStart;  "Start of the module window, 0-based"
    uint    chromEnd;    "End of the module window, exclusive"
    string  name;        "module<N>, numbered through the file"
    uint    score;       "100 times the module score, rounded and held to 0..1000"
    char[1] strand;      "Always . (a module has no strand)"
    double  moduleScore; "The module score, as in BASE_module.txt"
    lstring sites;       "The module's sites in chrom order: strand on chrom, motif name, start on chrom in parentheses; NULL for none"
    double  pValue;      "Empirical p-value: (1 + null sequences whose best window scores at least as high) / (1 + N) for --null N"
    double  eValue;      "E-value: modules scoring at least as high in the N null sequences, divided by N"
    )
