# Command-line cases: each "case" runs ./Velmora in a fresh directory and
# checks what follows its run lines. Run by tests/cli/CaseRunner.cpp; the
# exported reference cases in tests/data/reference/cases.tst use the same
# format.
#
#   section NAME          its directives before the first case are run
#                         before each of its cases
#   case NAME             starts a case
#   copy PATH...          files of tests/data (or examples/...) into the directory
#   write NAME TEXT...    writes a file
#   gzip NAME             compresses a file in place
#   cut NAME N|half       drops the last N bytes
#   flip NAME N|half      changes the byte N from the end
#   mkdir NAME, symlink NAME TARGET, hardlink NAME TARGET
#   age HOURS NAME...     sets files' modification time HOURS back
#   stdin TEXT...         standard input of the following runs
#   run WORDS...          runs ./Velmora WORDS
#   status N              the run's exit status (0 when not given)
#   stdout TEXT..., stderr TEXT...   exact output of the run (stderr-starts:
#                         its beginning; stdout-has: a part of it); the report
#                         line that ends a successful run is not part of
#                         stderr: report-has TEXT checks a part of it,
#                         no-report that there is none
#   file NAME TEXT...     a file's exact content; has NAME TEXT: a part of it
#   same NAME NAME        equal files (module files without their echo line)
#   absent NAME...        no such files
#   expect PATTERN        every file of tests/data matching PATTERN ('*' in
#                         its name) is in the directory with the same bytes
#   expect-but-echo PATTERN   the same, module files without their echo line
#   random-fasta NAME SEED LENGTH...   random records of those lengths ("N300":
#                         300 N, "mix": 2000 bases with runs of N)
#   records BASE          BASE_records.tsv agrees with BASE_module.txt
#   threads N...          the case is run again for each N with "-t N" added
#                         to every run: each run's status and output, and the
#                         files left (module files without their echo line),
#                         must be those of the case's own runs
#
# TEXT is words joined without blanks: "quoted" with C escapes (\n \t \r
# \0 \\ \" \xNN), N*"repeated", @file or @file:from:length (a file of the
# directory, or part of it), junk:N (N fixed bytes of every value).
#
# Every run must also leave the files as they were when it fails, and only
# append to existing files (unless it has --overwrite), writing no nan or
# inf, when it succeeds.

section usage, options and messages

case usage without arguments
run
stdout "\n******************************\n   Velmora 1.0 \n******************************\n\nUsage: ./Velmora -i Seqfile (options)\nSeqfile must be in FASTA format and each line in the file should contain no more than 10K characters\n\nOptions:\n\t-o\tOutput file (default output.txt)\n\t-r\t1: search for both strands; 0: only search for forward strand (default 1)\n\t-K\tNumber of transcription factors (default 3)\n\t-L\tModule length (default 200)\n\t-M\tInput text files for weight matrices\n\t-x\tExpected module occurrent rate (default 0.0005)\n"
stderr "Velmora: every option, the input forms and the result files: Velmora --help\n"

case help on request
run -h
stdout-has "Usage: Velmora -i SEQFILE -M MATRIXFILE [options]\n"
stdout-has "  -o BASE          base name of the result files (default Output.txt)\n"
stdout-has "  -t, --threads N  threads that scan, 1 to 1024"
stdout-has "  --null N         p-values: score N null sequences per record"
stdout-has "the default suits chromosomes; start near 2 / L on enhancers\n"
stdout-has "  --background F   one background model for all records instead of each one's own:\n"
stdout-has "Velmora background -i GENOME.fa -o GENOME.bg saves a background model"
stdout-has "rank them by best_window of --summary,\nwhich does not depend on -x"
stdout-has "- reads standard input"
stdout-has "JASPAR, MEME, TRANSFAC"
stdout-has "  BASE_motif1.txt ... motifK"
stdout-has "  --svg-region NAME:START-END   draw only this stretch (BED coordinates, 0-based,\n"
stdout-has "  --svg-bed FILE   draw the regions of a BED file"
stdout-has "  Velmora -i examples/eve_stripe2.fa -M examples/fly_bcd_hb_Kr.pwm -x 0.01 -L 100 -o eve\n"
stderr ""

case help on request among other words
run -i a.fa --help -K
stdout-has "Usage: Velmora -i SEQFILE -M MATRIXFILE [options]\n"
stderr ""

case version
run --version
stdout "Velmora 1.0\n"
stderr ""

case no factors
run -i a.fa -M m.txt -K 0
status 1
stdout "Input number of transcription factors error!\n"
stderr "Velmora: -K 0: the number of transcription factors must be at least 1\n"

case negative factors
run -i a.fa -M m.txt -K -2
status 1
stdout "Input number of transcription factors error!\n"
stderr "Velmora: -K -2: the number of transcription factors must be at least 1\n"

case module length 9
run -i a.fa -M m.txt -L 9
status 1
stdout "Input module length too small!\n"
stderr "Velmora: -L 9: the module length must be at least 10 and above 0.8 times K\n"

case classic checks in order
run -K 0 -L 9
status 1
stdout "Input number of transcription factors error!\n"
stderr "Velmora: -K 0: the number of transcription factors must be at least 1\n"

case option without value
run -i a.fa -K
status 1
stderr "Velmora: option -K needs a value\n"

case malformed whole number
run -i a.fa -M m -L 20O
status 1
stderr "Velmora: option -L expects a whole number, got '20O'\n"

case whole number with letters
run -i a.fa -M m -K 3x
status 1
stderr "Velmora: option -K expects a whole number, got '3x'\n"

case whole number beyond 32 bits
run -i a.fa -M m -K 99999999999
status 1
stderr "Velmora: option -K expects a whole number, got '99999999999'\n"

case module length beyond 32 bits
run -i a.fa -M m -L 2147483648
status 1
stderr "Velmora: option -L expects a whole number, got '2147483648'\n"

case malformed decimal
run -i a.fa -M m -x abc
status 1
stderr "Velmora: option -x expects a decimal number, got 'abc'\n"

case rate 0
run -i a.fa -M m -x 0
status 1
stderr "Velmora: module rate -x must lie strictly between 0 and 1, got 0\n"

case rate 1
run -i a.fa -M m -x 1
status 1
stderr "Velmora: module rate -x must lie strictly between 0 and 1, got 1\n"

case rate above 1
run -i a.fa -M m -x 1.5
status 1
stderr "Velmora: module rate -x must lie strictly between 0 and 1, got 1.5\n"

case negative rate
run -i a.fa -M m -x -0.1
status 1
stderr "Velmora: module rate -x must lie strictly between 0 and 1, got -0.1\n"

case no weight for background
run -i a.fa -M m -K 13 -L 10
status 1
stderr "Velmora: -K 13 with -L 10 leaves no weight for background bases (0.8 * K must be below L)\n"

case background weight just above 0
run -i a.fa -M m -K 12 -L 10
status 1
stderr "Velmora: cannot open matrix file 'm': No such file or directory\n"

case background weight exactly 0
run -i a.fa -M m -K 25 -L 20
status 1
stderr "Velmora: -K 25 with -L 20 leaves no weight for background bases (0.8 * K must be below L)\n"

case rate just below 1
run -i a.fa -M m -L 10 -x 0.999999
status 1
stderr "Velmora: cannot open matrix file 'm': No such file or directory\n"

case no sequence file
run -M m
status 1
stderr "Velmora: no sequence file given: -i FILE is required\n"

case no matrix file
run -i a.fa
status 1
stderr "Velmora: no matrix file given: -M FILE is required\n"

case reading errors before classic checks
run -K 0 -L x
status 1
stderr "Velmora: option -L expects a whole number, got 'x'\n"

case unknown options warn
run -k 5 -q --frobnicate -M m
status 1
stderr "Velmora: warning: unknown option -k ignored: did you mean -K?\nVelmora: warning: unknown option -q ignored: did you mean --quiet?\nVelmora: unknown option --frobnicate (see --help)\n"

case long options typed with one dash
copy examples/eve_stripe2.fa examples/fly_bcd_hb_Kr.pwm
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -bed -o o
status 1
stderr "Velmora: unknown option -bed: long options take two dashes (--bed)\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -null 99 -o o
status 1
stderr "Velmora: unknown option -null: long options take two dashes (--null)\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -overwrite o
status 1
stderr "Velmora: unknown option -overwrite: long options take two dashes (--overwrite)\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -one-based -o o
status 1
stderr "Velmora: unknown option -one-based: long options take two dashes (--one-based)\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -threads 2 -o o
status 1
stderr "Velmora: unknown option -threads: long options take two dashes (--threads)\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -svg t.svg -summary -o o
status 1
stderr "Velmora: unknown option -svg: long options take two dashes (--svg)\n"
run -help
status 1
stderr "Velmora: unknown option -help: long options take two dashes (--help)\n"
run -version
status 1
stderr "Velmora: unknown option -version: long options take two dashes (--version)\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o -bed -x 0.01 -L 100 --quiet
absent o_module.txt
has -bed_module.txt "\t[380,480]\t3.643496\t"

case classic words keep their meaning and unknown letters name the nearest option
copy examples/eve_stripe2.fa examples/fly_bcd_hb_Kr.pwm
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -Kx 3 -l 100 -z -x 0.01 -o o
stderr "Velmora: warning: unknown option -l ignored: did you mean -L?\nVelmora: warning: unknown option -z ignored\n"
has o_module.txt "\t[283,483]\t3.943554\t"

case the base name dash
run -i - -M m -o -
status 1
stderr "Velmora: base name '-' given to -o: the result files need a name (they cannot go to standard output)\n"

case negative values are no options
run -o -weird -M m
status 1
stderr "Velmora: no sequence file given: -i FILE is required\n"

case bed and quiet are known
run --bed --quiet -M m
status 1
stderr "Velmora: no sequence file given: -i FILE is required\n"

case quiet silences earlier warnings
run -k 5 --frobnicate -M m --quiet
status 1
stderr "Velmora: unknown option --frobnicate (see --help)\n"

case long options spelt whole
run --bedx -M m -i -
status 1
stderr "Velmora: unknown option --bedx: did you mean --bed?\n"

section golden runs
copy one_record.fa three_records.fa short_records.fa small3.pwm planted.fa planted.pwm examples/eve_stripe2.fa examples/fly_bcd_hb_Kr.pwm
threads 1 3 8

case one record
run -i one_record.fa -M small3.pwm -o out
stderr ""
expect expected/one_record/*

case three records
run -i three_records.fa -M small3.pwm -o out
stderr ""
expect expected/three_records/*

case example data at the defaults
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o eve
stderr ""
expect expected/eve/*

case example data finds a module
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100 -o eve
stderr ""
expect expected/eve_modules/*

case planted sites on both strands
run -i planted.fa -M planted.pwm -K 2 -L 40 -x 0.01 -r 1 -o both
stderr ""
expect expected/planted/both_*

case planted sites forward only
run -i planted.fa -M planted.pwm -K 2 -L 40 -x 0.01 -r 0 -o forward
stderr ""
expect expected/planted/forward_*

case records summed up beside the golden results
run -i three_records.fa -M small3.pwm -o three --summary --quiet
records three
run -i short_records.fa -M small3.pwm -o short --summary --quiet
records short
file short_records.tsv "#name\tlength\tscanned\tmodules\tsites\tbest_module\tbest_module_E\tbest_window\tbest_window_p\tbest_window_p_gumbel\tbest_window_q_gumbel\tnote\tdescription\nempty\t0\t0\t0\t0,0,0\t\t\t\t\t\t\ttoo short to scan (fewer than 2 bases)\t\none\t1\t0\t0\t0,0,0\t\t\t\t\t\t\ttoo short to scan (fewer than 2 bases)\tletter\nok\t4\t4\t0\t0,0,0\t\t\t-0.047448\t\t\t\t\t\ndigits\t0\t0\t0\t0,0,0\t\t\t\t\t\t\ttoo short to scan (fewer than 2 bases)\tonly\n"
run -i planted.fa -M planted.pwm -K 2 -L 40 -x 0.01 -o both --summary --null 19 --bed
records both
bed both_modules.bed modules
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100 -o eve --null 99 --bed
file eve_records.tsv "#name\tlength\tscanned\tmodules\tsites\tbest_module\tbest_module_E\tbest_window\tbest_window_p\tbest_window_p_gumbel\tbest_window_q_gumbel\tnote\tdescription\neve_stripe2\t484\t484\t1\t1,1,1\t3.643496\t0.040404\t3.643496\t0.05\t0.0405614\t0.0405614\t\t\n"
has eve_modules.bed "\t0.05\t0.040404\n"
report-has "eve_sites.bed, eve_records.tsv;"
report-has ", sites per motif 1/1/1, p-values from 99 null sequences per record (seed 1), "
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o eve --summary --quiet
records eve
write nm.fa ">  two\twords\nACGTACGTAA\n>>x\nACGT\n"
run -i nm.fa -M small3.pwm -o nm --summary
file nm_records.tsv "#name\tlength\tscanned\tmodules\tsites\tbest_module\tbest_module_E\tbest_window\tbest_window_p\tbest_window_p_gumbel\tbest_window_q_gumbel\tnote\tdescription\ntwo\t10\t10\t0\t0,0,0\t\t\t-0.114802\t\t\t\t\twords\n>x\t4\t4\t0\t0,0,0\t\t\t-0.047448\t\t\t\t\t\n"

case short records warn and take part
run -i short_records.fa -M small3.pwm -o out
stderr "Velmora: warning: sequence file 'short_records.fa', line 1: record '>empty' has 0 bases: too short to scan (at least 2 needed)\nVelmora: warning: sequence file 'short_records.fa', line 2: record '>one letter' has 1 base: too short to scan (at least 2 needed)\nVelmora: warning: sequence file 'short_records.fa', line 7: 5 characters after the letters of the line ignored (record '>digits only')\nVelmora: warning: sequence file 'short_records.fa', line 6: record '>digits only' has 0 bases: too short to scan (at least 2 needed)\n"
expect expected/short_records/*

case overwrite replaces the results
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100 -o once --bed
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100 -o again --bed
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100 -o again --bed --overwrite
stderr ""
same once_module.txt again_module.txt
same once_motif1.txt again_motif1.txt
same once_motif3.txt again_motif3.txt
same once_modules.bed again_modules.bed
same once_sites.bed again_sites.bed

case overwrite names the files of an earlier run it does not write
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100 -o ov --bed --summary
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100 -o ov --overwrite
stderr "Velmora: warning: result files 'ov_modules.bed' and 2 more of the base name are not of this run: --overwrite leaves them as they are\n"
report-has "; not of this run: ov_modules.bed, ov_sites.bed, ov_records.tsv\n"

case overwrite that fails leaves the results
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100 -o keep
write bad.fa ">r\nACGT\n>r2\n" 70000*"ACGTACGTAC" "\n"
gzip bad.fa
flip bad.fa 7
run -i bad.fa -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100 -o keep --overwrite
status 1
stderr "Velmora: cannot read sequence file 'bad.fa': corrupt gzip data (checksum mismatch)\n"

case appending is quiet with --quiet
run -i one_record.fa -M small3.pwm -o q
run -i one_record.fa -M small3.pwm -o q --quiet
stderr ""

case a run reports what it did
run -i three_records.fa -M small3.pwm -o rep --bed
report-has "Velmora: done: 3 records, "
report-has " bases, "
report-has ", sites per motif "
report-has "; appended to rep_module.txt, rep_motif1.txt to rep_motif3.txt, rep_modules.bed, rep_sites.bed; motifs 1 first, 2 second; no module found: a higher -x lowers the bar, and --summary ranks every record by its best window score\n"
run -i one_record.fa -M small3.pwm -o rep --overwrite
report-has "Velmora: done: 1 record, "
report-has "; written to rep_module.txt, rep_motif1.txt to rep_motif3.txt; motifs"
run -i one_record.fa -M small3.pwm -o rep --quiet
no-report

case K from the matrix file
run -i planted.fa -M planted.pwm -L 40 -x 0.01 -o k
run -i planted.fa -M planted.pwm -L 40 -x 0.01 -o given -K 2
same k_module.txt given_module.txt
same k_motif1.txt given_motif1.txt
same k_motif2.txt given_motif2.txt
absent k_motif3.txt

case K from the matrix file leaves no weight for background bases
write many.pwm 13*">5 m\n1\t0\t0\t0\n0\t1\t0\t0\n0\t0\t1\t0\n0\t0\t0\t1\n1\t1\t1\t1\n"
run -i eve_stripe2.fa -M many.pwm -L 10 -o out
status 1
stderr "Velmora: matrix file 'many.pwm' holds 13 matrices: with -L 10 they leave no weight for background bases (0.8 * K must be below L): use a longer -L or pick fewer with --motifs\n"

case second run appends
run -i one_record.fa -M small3.pwm -o a
stderr ""
run -i one_record.fa -M small3.pwm -o b
stderr ""
run -i one_record.fa -M small3.pwm -o b
stderr "Velmora: warning: result files 'b_module.txt' and 3 more already hold results: this run adds its own after them (--overwrite starts afresh)\n"
file b_motif2.txt @a_motif2.txt @a_motif2.txt

case empty standard input
stdin ""
run -i - -M small3.pwm -o e
stderr "Velmora: warning: sequence file '-' (standard input) holds no sequence: nothing to scan\n"
report-has "done: 0 records, 0 bases, 0 modules"

case empty file
write empty.fa ""
run -i empty.fa -M small3.pwm -o e
stderr "Velmora: warning: sequence file 'empty.fa' holds no sequence: nothing to scan\n"
report-has "done: 0 records, 0 bases, 0 modules"
file e_module.txt "\n\nVelmora 1.0\n./Velmora -i empty.fa -M small3.pwm -o e \n\n\n# modules = 0\n"
file e_motif3.txt "\n\nmotif 3\n\n\n # of sites for motif 3 = 0\n"

case no header at all
write bare.fa "acgt\nACGT\n"
run -i bare.fa -M small3.pwm -o b
stderr ""

case no header and one letter
write one.fa "A\n"
run -i one.fa -M small3.pwm -o o
stderr "Velmora: warning: sequence file 'one.fa' has no '>' header and 1 letter: too short to scan (at least 2 needed)\n"
file o_motif1.txt "\n\nmotif 1\n\n\n # of sites for motif 1 = 0\n"

case background that cannot score a record
write in.fa ">odd\nRRRRYY\n>fine\nACGTAC\n"
run -i in.fa -M small3.pwm -o out
stderr "Velmora: warning: sequence file 'in.fa', line 1: record '>odd' has 6 of 6 letters other than A, C, G, T and N: a protein sequence? The scan reads them as A\nVelmora: warning: sequence file 'in.fa': record '>odd' not scanned: its background model gives one of its bases probability 0\n"
file out_motif1.txt "\n\nmotif 1\n\n\n # of sites for motif 1 = 0\n"

case lines before the first header
write in.fa "ACGT\nacgt\n\n>late\nA\n"
run -i in.fa -M small3.pwm -o out
stderr "Velmora: warning: sequence file 'in.fa', line 4: record '>late' has 1 base: too short to scan (at least 2 needed)\n"

case crlf like lf
write lf.fa ">r1 first\nACGTacgt\nGGCC\n>r2\nT\n>r3 x\n\n>r4\nTTTT"
write crlf.fa ">r1 first\r\nACGTacgt\r\nGGCC\r\n>r2\r\nT\r\n>r3 x\r\n\r\n>r4\r\nTTTT\r\n"
run -i lf.fa -M planted.pwm -K 2 -L 10 -x 0.5 -o lf
stderr "Velmora: warning: sequence file 'lf.fa', line 4: record '>r2' has 1 base: too short to scan (at least 2 needed)\nVelmora: warning: sequence file 'lf.fa', line 6: record '>r3 x' has 0 bases: too short to scan (at least 2 needed)\n"
run -i crlf.fa -M planted.pwm -K 2 -L 10 -x 0.5 -o crlf
stderr "Velmora: warning: sequence file 'crlf.fa', line 4: record '>r2' has 1 base: too short to scan (at least 2 needed)\nVelmora: warning: sequence file 'crlf.fa', line 6: record '>r3 x' has 0 bases: too short to scan (at least 2 needed)\n"
same lf_module.txt crlf_module.txt
same lf_motif1.txt crlf_motif1.txt

case long lines and long headers
write in.fa ">long line\n" 6250*"ACGT" "\n>" 19999*"n" "\nA\n"
run -i in.fa -M small3.pwm -o out
stderr "Velmora: warning: sequence file 'in.fa', line 3: record '>nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn...' has 1 base: too short to scan (at least 2 needed)\n"
file out_module.txt "\n\nVelmora 1.0\n./Velmora -i in.fa -M small3.pwm -o out \n\n\n# modules = 0\n"

case percent signs stay as they are
write in.fa ">%s%n%d%%\nA\n"
run -i in.fa -M small3.pwm -o p%d%s
stderr "Velmora: warning: sequence file 'in.fa', line 1: record '>%s%n%d%%' has 1 base: too short to scan (at least 2 needed)\n"
file p%d%s_module.txt "\n\nVelmora 1.0\n./Velmora -i in.fa -M small3.pwm -o p%d%s \n\n\n# modules = 0\n"
file p%d%s_motif2.txt "\n\nmotif 2\n\n\n # of sites for motif 2 = 0\n"

case names written byte for byte
write case.fa ">caf\xc3\xa9 %s%d\\n\\\nGGATCACAGTCTGATTACTCCAACCCCGGCCACTTCCGGTAAGTCCGAGGAGAGGACTTCCGGGT\n"
run -i case.fa -M planted.pwm -K 2 -L 30 -x 0.1 -o out
stderr ""
has out_module.txt "\n>caf\xc3\xa9 %s%d\\n\\\t["
has out_motif1.txt "\n>caf\xc3\xa9 %s%d\\n\\\t"

section bad input
copy examples/eve_stripe2.fa examples/fly_bcd_hb_Kr.pwm examples/fly_bcd_hb_Kr.jaspar examples/fly_bcd_hb_Kr.meme planted.pwm one_record.fa small3.pwm
write out_module.txt "earlier run\n"

case empty matrix file
write case.pwm ""
run -o out -i eve_stripe2.fa -M case.pwm
status 1
stderr "Velmora: matrix file 'case.pwm' holds no matrix\n"

case directory as matrix file
mkdir case.d
run -o out -i eve_stripe2.fa -M case.d
status 1
stderr "Velmora: cannot open matrix file 'case.d': Is a directory\n"

case missing matrix file
run -o out -i eve_stripe2.fa -M nope.pwm
status 1
stderr "Velmora: cannot open matrix file 'nope.pwm': No such file or directory\n"

case dev null as matrix file
run -o out -i eve_stripe2.fa -M /dev/null
status 1
stderr "Velmora: matrix file '/dev/null' holds no matrix\n"

case binary junk as matrix file
write case.pwm junk:4096
run -o out -i eve_stripe2.fa -M case.pwm
status 1
stderr "Velmora: matrix file 'case.pwm' holds no matrix\n"

case nul byte inside a matrix row
write case.pwm ">1\n1\t2\0\t3\t4\n"
run -o out -i eve_stripe2.fa -M case.pwm -K 1
status 1
stderr "Velmora: matrix file 'case.pwm', line 2: field 2 (C) '2\\x00' is not a number\n"

case K larger than the blocks
run -o out -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -K 4
status 1
stderr "Velmora: matrix file 'fly_bcd_hb_Kr.pwm' holds 3 matrices, but -K asks for 4\n"

case K smaller than the blocks
run -o out -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -K 2
status 1
stderr "Velmora: matrix file 'fly_bcd_hb_Kr.pwm' holds 3 matrices, but -K asks for 2\n"

case K smaller than the JASPAR blocks
run -o out -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar -K 2
status 1
stderr "Velmora: matrix file 'fly_bcd_hb_Kr.jaspar' holds 3 matrices, but -K asks for 2\n"

case carriage returns alone in a matrix file
write case.pwm ">1\r1\t1\t1\t1\r"
run -o out -i eve_stripe2.fa -M case.pwm -K 1
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\n"

case truncated gzip matrix file
write case.pwm.gz @fly_bcd_hb_Kr.pwm
gzip case.pwm.gz
cut case.pwm.gz half
run -o out -i eve_stripe2.fa -M case.pwm.gz
status 1
stderr "Velmora: cannot read matrix file 'case.pwm.gz': gzip data ends unexpectedly (truncated file?)\n"

case truncated gzip MEME file
write cut.meme.gz @fly_bcd_hb_Kr.meme
gzip cut.meme.gz
cut cut.meme.gz half
run -o out -i eve_stripe2.fa -M cut.meme.gz
status 1
stderr "Velmora: cannot read matrix file 'cut.meme.gz': gzip data ends unexpectedly (truncated file?)\n"

case standard input is no matrix file
run -o out -i eve_stripe2.fa -M -
status 1
stderr "Velmora: cannot open matrix file '-': No such file or directory\n"

case missing sequence file
run -o out -i nope.fa -M fly_bcd_hb_Kr.pwm
status 1
stderr "Velmora: cannot open sequence file 'nope.fa': No such file or directory\n"

case directory as sequence file
mkdir case.d
run -o out -i case.d -M fly_bcd_hb_Kr.pwm
status 1
stderr "Velmora: cannot open sequence file 'case.d': Is a directory\n"

case corrupt gzip sequence file
write case.fa.gz ">r\n" 500*"ACGT" "\n"
gzip case.fa.gz
flip case.fa.gz half
run -o out -i case.fa.gz -M fly_bcd_hb_Kr.pwm
status 1
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: cannot read sequence file 'case.fa.gz': corrupt gzip data (checksum mismatch)\n"

case truncated gzip sequence file
write cut.fa.gz @eve_stripe2.fa @eve_stripe2.fa @eve_stripe2.fa
gzip cut.fa.gz
cut cut.fa.gz 20
run -o out -i cut.fa.gz -M fly_bcd_hb_Kr.pwm --bed -x 0.01 -L 100
status 1
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: cannot read sequence file 'cut.fa.gz': gzip data ends unexpectedly (truncated file?)\n"

case truncated gzip on standard input
write in.gz @eve_stripe2.fa @eve_stripe2.fa @eve_stripe2.fa
gzip in.gz
cut in.gz half
stdin @in.gz
run -o out -i - -M fly_bcd_hb_Kr.pwm
status 1
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: cannot read sequence file '-' (standard input): gzip data ends unexpectedly (truncated file?)\n"

case gzip checksum mismatch
write crc.fa.gz @eve_stripe2.fa @eve_stripe2.fa @eve_stripe2.fa
gzip crc.fa.gz
flip crc.fa.gz 7
run -o out -i crc.fa.gz -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100
status 1
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: cannot read sequence file 'crc.fa.gz': corrupt gzip data (checksum mismatch)\n"

case gzip followed by junk
write tail.fa.gz @eve_stripe2.fa @eve_stripe2.fa @eve_stripe2.fa
gzip tail.fa.gz
write tail.fa.gz @tail.fa.gz "\n"
run -o out -i tail.fa.gz -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100
status 1
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: cannot read sequence file 'tail.fa.gz': corrupt gzip data\n"

case gzip followed by junk on standard input
write in.gz @eve_stripe2.fa @eve_stripe2.fa @eve_stripe2.fa
gzip in.gz
stdin @in.gz "\n"
run -o out -i - -M fly_bcd_hb_Kr.pwm
status 1
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: cannot read sequence file '-' (standard input): corrupt gzip data\n"

case carriage returns alone as FASTA line ends
write case.fa ">r\rACGTACGTAC\rGGTTAACC\r"
run -o out -i case.fa -M fly_bcd_hb_Kr.pwm
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\n"

case output base in a missing directory
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o case-nodir/out
status 1
stderr "Velmora: cannot write result file 'case-nodir/out_module.txt': No such file or directory\n"

case result file name taken by a directory
mkdir case_motif2.txt
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o case
status 1
stderr "Velmora: cannot write result file 'case_motif2.txt': Is a directory\n"

case BED file name taken by a directory
mkdir out_sites.bed
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o out --bed
status 1
stderr "Velmora: cannot write result file 'out_sites.bed': Is a directory\n"

case device as result file
symlink out_motif2.txt /dev/full
run -o out -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm
status 1
stderr "Velmora: cannot write result file 'out_motif2.txt': not a regular file\n"

case module length 10
run -o out -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -L 10
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\n"

case module length 2147483647
run -o out -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -L 2147483647
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\n"

case module longer than every sequence
run -o out -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -L 1000 -x 0.5
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\n"

case empty sequence file
write case.fa ""
run -o out -i case.fa -M fly_bcd_hb_Kr.pwm
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: warning: sequence file 'case.fa' holds no sequence: nothing to scan\n"

case dev null as sequence file
run -o out -i /dev/null -M fly_bcd_hb_Kr.pwm
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: warning: sequence file '/dev/null' holds no sequence: nothing to scan\n"

case binary junk as sequence file
write case.fa ">junk\n" junk:4096
run -o out -i case.fa -M fly_bcd_hb_Kr.pwm
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: warning: sequence file 'case.fa', line 2: 117 characters after the letters of the line ignored (record '>junk')\nVelmora: warning: sequence file 'case.fa', line 1: record '>junk' has 0 bases: too short to scan (at least 2 needed)\n"

case nul byte inside a sequence line
write case.fa ">r\nACGTAC\0GTAC\nGGCCTTAA\n"
run -o out -i case.fa -M fly_bcd_hb_Kr.pwm
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: warning: sequence file 'case.fa', line 2: 5 characters after the letters of the line ignored (record '>r')\n"

case 100-megabyte line
write case.fa ">r\n" 104857600*"#" "\n"
run -o out -i case.fa -M fly_bcd_hb_Kr.pwm
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: warning: sequence file 'case.fa', line 2: 104857600 characters after the letters of the line ignored (record '>r')\nVelmora: warning: sequence file 'case.fa', line 1: record '>r' has 0 bases: too short to scan (at least 2 needed)\n"

case header of 100000 characters
write case.fa ">" 100000*"h" "\n" 30*"ACGT"
run -o out -i case.fa -M fly_bcd_hb_Kr.pwm
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\n"

case matrix width 1
write case.pwm ">1\n1\t1\t1\t1\n"
run -o out -i eve_stripe2.fa -M case.pwm -K 1
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\n"

case every motif wider than every sequence
write case.fa ">a\nACGTA\n>b\nGGC\n"
run -o out -i case.fa -M fly_bcd_hb_Kr.pwm -L 10 -x 0.5
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\n"

case sequence of N only
write case.fa ">n\n" 500*"N" "\n"
run -o out -i case.fa -M fly_bcd_hb_Kr.pwm
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\n"

case sequence of ambiguity letters only
write case.fa ">amb\nRYSWKMRYSW\n"
run -o out -i case.fa -M fly_bcd_hb_Kr.pwm
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: warning: sequence file 'case.fa', line 1: record '>amb' has 10 of 10 letters other than A, C, G, T and N: a protein sequence? The scan reads them as A\nVelmora: warning: sequence file 'case.fa': record '>amb' not scanned: its background model gives one of its bases probability 0\n"

case sequence of one letter
write case.fa ">one\nA\n"
run -o out -i case.fa -M fly_bcd_hb_Kr.pwm
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: warning: sequence file 'case.fa', line 1: record '>one' has 1 base: too short to scan (at least 2 needed)\n"

case control characters in a name are escaped
write case.fa ">a\x01\x1b[2Jb\nA\n"
run -o out -i case.fa -M fly_bcd_hb_Kr.pwm
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: warning: sequence file 'case.fa', line 1: record '>a\\x01\\x1b[2Jb' has 1 base: too short to scan (at least 2 needed)\n"

case quiet silences warnings
write short.fa ">one\nA\n>ok\nACGTACGT\n"
run -i short.fa -M fly_bcd_hb_Kr.pwm -q -o loud
stderr "Velmora: warning: unknown option -q ignored: did you mean --quiet?\nVelmora: warning: sequence file 'short.fa', line 1: record '>one' has 1 base: too short to scan (at least 2 needed)\n"
run -i short.fa -M fly_bcd_hb_Kr.pwm -q -o quiet --quiet
stderr ""
same quiet_motif1.txt loud_motif1.txt
same quiet_module.txt loud_module.txt

case quiet keeps errors
run --quiet -i missing.fa -M fly_bcd_hb_Kr.pwm
status 1
stderr "Velmora: cannot open sequence file 'missing.fa': No such file or directory\n"

case no progress line when standard error is a file
write big.fa ">big\n" 233400*"GGTTACCCGGTACTGCATAACAATGGAACCCGAACCGTAACTGGG\n"
gzip big.fa
stdin @big.fa
run -i - -M fly_bcd_hb_Kr.pwm -o big
stderr ""

section input forms
copy examples/eve_stripe2.fa examples/fly_bcd_hb_Kr.pwm examples/fly_bcd_hb_Kr.jaspar examples/fly_bcd_hb_Kr.meme

case JASPAR matrices
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar -x 0.01 -L 100 -o eve
stderr ""
expect-but-echo expected/eve_modules/*

case MEME matrices
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.meme -x 0.01 -L 100 -o eve
stderr ""
expect-but-echo expected/eve_modules/*

case gzip sequence file
write eve.fa.gz @eve_stripe2.fa
gzip eve.fa.gz
run -i eve.fa.gz -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100 -o eve
stderr ""
expect-but-echo expected/eve_modules/*

case gzip recognised by content, three members
write a @eve_stripe2.fa:0:100
write b @eve_stripe2.fa:100:1
write c @eve_stripe2.fa:101
write matrices @fly_bcd_hb_Kr.meme
gzip a
gzip b
gzip c
gzip matrices
write eve.txt @a @b @c
run -i eve.txt -M matrices -x 0.01 -L 100 -o eve
stderr ""
expect-but-echo expected/eve_modules/*

case standard input
stdin @eve_stripe2.fa
run -i - -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100 -o eve
stderr ""
expect-but-echo expected/eve_modules/*

case gzip on standard input, empty members around a gzip JASPAR file
write in.gz @eve_stripe2.fa
gzip in.gz
write empty ""
gzip empty
write m @fly_bcd_hb_Kr.jaspar
gzip m
write bgzip.jaspar.gz @empty @m @empty
stdin @in.gz
run -i - -M bgzip.jaspar.gz -x 0.01 -L 100 -o eve
stderr ""
expect-but-echo expected/eve_modules/*

case BED files in sequence coordinates
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm --bed -x 0.01 -L 100 -o eve
stderr ""
file eve_modules.bed "eve_stripe2\t380\t480\tmodule1\t364\t.\t3.643496\t+Kr_MA0452.3(417)+hb_MA0049.1(444)-bcd_MA0212.1(474)\n"
file eve_sites.bed "eve_stripe2\t417\t426\tKr_MA0452.3\t561\t+\t0.560577\t3\tCAATCCCTT\neve_stripe2\t444\t454\thb_MA0049.1\t872\t+\t0.872008\t2\tTCATAAAAAC\neve_stripe2\t474\t480\tbcd_MA0212.1\t663\t-\t0.662597\t1\tTAATCC\n"
bed eve_modules.bed modules
bed eve_sites.bed sites
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm --bed -x 0.01 -L 100 -o eve
stderr "Velmora: warning: result files 'eve_module.txt' and 5 more already hold results: this run adds its own after them (--overwrite starts afresh)\n"
file eve_modules.bed "eve_stripe2\t380\t480\tmodule1\t364\t.\t3.643496\t+Kr_MA0452.3(417)+hb_MA0049.1(444)-bcd_MA0212.1(474)\neve_stripe2\t380\t480\tmodule2\t364\t.\t3.643496\t+Kr_MA0452.3(417)+hb_MA0049.1(444)-bcd_MA0212.1(474)\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100 -o plain
stderr ""
absent plain_modules.bed plain_sites.bed

case BED files in genomic coordinates
write g.fa ">2R:5000-5484" @eve_stripe2.fa:13 ">2R:9000-9484 second copy" @eve_stripe2.fa:13
gzip g.fa
stdin @g.fa
run -i - -M fly_bcd_hb_Kr.meme -o g --bed -x 0.01 -L 100
stderr ""
file g_modules.bed "2R\t5380\t5480\tmodule1\t364\t.\t3.643496\t+Kr(5417)+hb(5444)-bcd(5474)\n2R\t9380\t9480\tmodule2\t364\t.\t3.643496\t+Kr(9417)+hb(9444)-bcd(9474)\n"
file g_sites.bed "2R\t5417\t5426\tKr\t561\t+\t0.560577\t3\tCAATCCCTT\n2R\t5444\t5454\thb\t872\t+\t0.872008\t2\tTCATAAAAAC\n2R\t5474\t5480\tbcd\t663\t-\t0.662597\t1\tTAATCC\n2R\t9417\t9426\tKr\t561\t+\t0.560577\t3\tCAATCCCTT\n2R\t9444\t9454\thb\t872\t+\t0.872008\t2\tTCATAAAAAC\n2R\t9474\t9480\tbcd\t663\t-\t0.662597\t1\tTAATCC\n"
bed g_modules.bed modules
bed g_sites.bed sites

case BED files of the other interval names
write g.fa ">p1::2R:5000-5484" @eve_stripe2.fa:13 ">2R:9000-9484(+) plus" @eve_stripe2.fa:13
run -i g.fa -M fly_bcd_hb_Kr.jaspar -o g --bed -x 0.01 -L 100
stderr ""
file g_modules.bed "2R\t5380\t5480\tmodule1\t364\t.\t3.643496\t+Kr(5417)+hb(5444)-bcd(5474)\n2R\t9380\t9480\tmodule2\t364\t.\t3.643496\t+Kr(9417)+hb(9444)-bcd(9474)\n"

case BED files of a minus-strand interval
write g.fa ">2R:5000-5484(-)" @eve_stripe2.fa:13
run -i g.fa -M fly_bcd_hb_Kr.jaspar -o g --bed -x 0.01 -L 100
stderr ""
file g_modules.bed "2R\t5004\t5104\tmodule1\t364\t.\t3.643496\t+bcd(5004)-hb(5030)-Kr(5058)\n"
file g_sites.bed "2R\t5004\t5010\tbcd\t663\t+\t0.662597\t1\tTAATCC\n2R\t5030\t5040\thb\t872\t-\t0.872008\t2\tTCATAAAAAC\n2R\t5058\t5067\tKr\t561\t-\t0.560577\t3\tCAATCCCTT\n"
bed g_modules.bed modules
bed g_sites.bed sites

case a genome interval that does not fit its record
write g.fa ">chr1:100-200(-)" @eve_stripe2.fa:13 ">chr2:0-484 fits" @eve_stripe2.fa:13 ">chr3:5-6" @eve_stripe2.fa:13
run -i g.fa -M fly_bcd_hb_Kr.jaspar -o g --bed -x 0.01 -L 100
stderr "Velmora: warning: sequence file 'g.fa': record '>chr1:100-200(-)' has 484 bases, but its header names an interval of 100 on 'chr1': its BED lines give positions in the record (as for any later such record)\n"
file g_modules.bed "chr1:100-200(-)\t380\t480\tmodule1\t364\t.\t3.643496\t+Kr(417)+hb(444)-bcd(474)\nchr2\t380\t480\tmodule2\t364\t.\t3.643496\t+Kr(417)+hb(444)-bcd(474)\nchr3:5-6\t380\t480\tmodule3\t364\t.\t3.643496\t+Kr(417)+hb(444)-bcd(474)\n"

case BED files of 1-based interval names
write g.fa ">2R:5001-5484" @eve_stripe2.fa:13
run -i g.fa -M fly_bcd_hb_Kr.jaspar -o g --bed -x 0.01 -L 100 --one-based
stderr ""
file g_modules.bed "2R\t5380\t5480\tmodule1\t364\t.\t3.643496\t+Kr(5417)+hb(5444)-bcd(5474)\n"

section matrix files
copy one_record.fa

case width not a number
write m.txt ">abc\n1\t1\t1\t1\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 1: the width after '>' must be a whole number from 1 to 1000, got 'abc'\n"

case width 0
write m.txt ">0\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 1: the width after '>' must be a whole number from 1 to 1000, got '0'\n"

case width negative
write m.txt ">-3\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 1: the width after '>' must be a whole number from 1 to 1000, got '-3'\n"

case width not whole
write m.txt ">12.5\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 1: the width after '>' must be a whole number from 1 to 1000, got '12.5'\n"

case width 1001
write m.txt ">1001 wide\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 1: the width after '>' must be a whole number from 1 to 1000, got '1001 wide'\n"

case width 10000
write m.txt ">10000\n1\t1\t1\t1\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 1: the width after '>' must be a whole number from 1 to 1000, got '10000'\n"

case width beyond 64 bits
write m.txt ">99999999999999999999\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 1: the width after '>' must be a whole number from 1 to 1000, got '99999999999999999999'\n"

case file ends inside a block
write m.txt "comment\n>3 x\n1\t1\t1\t1\n1\t1\t1\t1\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt' is truncated: the matrix at line 2 has width 3 but the file ends after 2 rows\n"

case empty field
write m.txt ">1\n1\t\t2\t3\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: field 2 (C) is empty; a row holds four tab-separated numbers for A, C, G, T\n"

case empty last field
write m.txt ">1\n1\t2\t3\t\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: field 4 (T) is empty; a row holds four tab-separated numbers for A, C, G, T\n"

case field not a number
write m.txt ">1\nx\t1\t2\t3\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: field 1 (A) 'x' is not a number\n"

case field with letters after the number
write m.txt ">1\n3abc\t1\t1\t1\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: field 1 (A) '3abc' is not a number\n"

case blanks instead of tabs
write m.txt ">1\n1 2 3 4\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: found 1 field where a row needs four numbers for A, C, G, T separated by tabs\n"

case three fields
write m.txt ">1\n1\t2\t3\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: found 3 fields where a row needs four numbers for A, C, G, T separated by tabs\n"

case blank line inside a block
write m.txt ">2\n1\t1\t1\t1\n\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: found 1 field where a row needs four numbers for A, C, G, T separated by tabs\n"

case header where a row should be
write m.txt ">3\n1\t1\t1\t1\n>1\n1\t1\t1\t1\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: a header where row 2 of the matrix at line 1 (width 3) should be\n"

case negative count
write m.txt ">1\n1\t-2\t3\t4\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: field 2 (C) '-2' is negative; counts and frequencies cannot be\n"

case infinite count
write m.txt ">1\n1\tinf\t3\t4\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: field 2 (C) 'inf' is not a finite number\n"

case nan count
write m.txt ">1\n1\t2\tnan\t4\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: field 3 (G) 'nan' is not a finite number\n"

case count overflowing
write m.txt ">1\n1\t1\t1\t1e999\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: field 4 (T) '1e999' is not a finite number\n"

case row summing to 0
write m.txt "x\n>1\n0\t0\t0\t0\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: the row sums to 0; at least one of A, C, G, T must be positive\n"

case numbers too large to normalise
write m.txt ">1\n1e308\t1e308\t0\t0\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: the row's numbers are too large to normalise\n"

case numbers too small to normalise
write m.txt ">1\n1e-322\t0\t0\t0\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: the row's numbers are too small to normalise\n"

case fewer blocks than K
write m.txt ">1\n1\t1\t1\t1\n"
run -i one_record.fa -M m.txt -K 2 -o out
status 1
stderr "Velmora: matrix file 'm.txt' holds 1 matrix, but -K asks for 2\n"

case more blocks than K
write m.txt ">1\n1\t1\t1\t1\n>1\n1\t1\t1\t1\n>1\n1\t1\t1\t1\n"
run -i one_record.fa -M m.txt -K 2 -o out
status 1
stderr "Velmora: matrix file 'm.txt' holds 3 matrices, but -K asks for 2\n"

case JASPAR rows of unequal length
write m.txt ">MA1\nA [ 1 2 ]\nC [ 1 2 3 ]\nG [ 1 2 ]\nT [ 1 2 ]\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: the C row holds 3 numbers but the A row (line 2) holds 2; the rows of a matrix are equally long\n"

case JASPAR row missing
write m.txt ">MA1\nA [ 1 2 ]\nC [ 1 2 ]\nT [ 1 2 ]\n\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 5: the G row of the matrix at line 1 is missing; found ''\n"

case JASPAR header where a row should be
write m.txt ">MA1\nA [ 1 2 ]\nC [ 1 2 ]\nT [ 1 2 ]\n>MA1 x\nA [ 1 2 ]\nC [ 1 2 ]\nG [ 1 2 ]\nT [ 1 2 ]\n"
run -i one_record.fa -M m.txt -K 2 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 5: a header where the G row of the matrix at line 1 should be\n"

case JASPAR second A row
write m.txt ">MA1\nA [ 1 2 ]\nC [ 1 2 ]\nA [ 1 2 ]\nT [ 1 2 ]\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 4: a second A row for the matrix at line 1 (the first at line 2)\n"

case JASPAR row after a complete block
write m.txt ">MA1 x\nA [ 1 2 ]\nC [ 1 2 ]\nG [ 1 2 ]\nT [ 1 2 ]\nT [ 1 2 ]\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 6: a second T row for the matrix at line 1 (the first at line 5)\n"

case JASPAR letter row before any header
write m.txt "A [ 1 2 ]\n>MA1 x\nA [ 1 2 ]\nC [ 1 2 ]\nG [ 1 2 ]\nT [ 1 2 ]\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 1: a letter row (A) before any '>' header\n"

case JASPAR number not a number
write m.txt ">MA1\nA [ 1 x ]\nC [ 1 2 ]\nG [ 1 2 ]\nT [ 1 2 ]\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: the A row, column 2: 'x' is not a number\n"

case JASPAR negative number
write m.txt ">MA1\nA [ 1 2 ]\nC [ 1 -2 ]\nG [ 1 2 ]\nT [ 1 2 ]\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: the C row, column 2: '-2' is negative; counts and frequencies cannot be\n"

case JASPAR infinite number
write m.txt ">MA1\nA [ 1 2 ]\nC [ 1 inf ]\nG [ 1 2 ]\nT [ 1 2 ]\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: the C row, column 2: 'inf' is not a finite number\n"

case JASPAR bracket not closed
write m.txt ">MA1\nA [ 1 2\nC [ 1 2 ]\nG [ 1 2 ]\nT [ 1 2 ]\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: the A row opens '[' but does not close it with ']'\n"

case JASPAR row without numbers
write m.txt ">MA1\nA [ ]\nC [ ]\nG [ ]\nT [ ]\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: the A row holds no numbers\n"

case JASPAR position summing to 0
write m.txt ">MA1\nA [ 1 0 ]\nC [ 1 0 ]\nG [ 1 0 ]\nT [ 1 0 ]\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 1: position 2 sums to 0; at least one of A, C, G, T must be positive (column 2 of the matrix's rows)\n"

case JASPAR matrix 1001 wide
write m.txt ">MA1\nA 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1\nC 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1\nG 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1\nT 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 1: the matrix is 1001 positions wide; at most 1000 are allowed\n"

case JASPAR file ends inside a block
write m.txt ">MA1\nA [ 1 2 ]\nC [ 1 2 ]\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt' is truncated: the file ends before the G row of the matrix at line 1\n"

case JASPAR block missing its T row
write m.txt ">MA1 x\nA [1 2]\nC [1 2]\nG [1 2]\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt' is truncated: the file ends before the T row of the matrix at line 1\n"

case JASPAR file with a MEME line
write m.txt ">MA1 x\nA [ 1 2 ]\nC [ 1 2 ]\nG [ 1 2 ]\nT [ 1 2 ]\nMOTIF m\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 6: a MEME motif line in a file of JASPAR matrices (the first at line 1); one file holds one format\n"

case JASPAR file with a Velmora matrix
write m.txt ">MA1 x\nA [ 1 2 ]\nC [ 1 2 ]\nG [ 1 2 ]\nT [ 1 2 ]\n>1\n1\t1\t1\t1\n"
run -i one_record.fa -M m.txt -K 2 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 6: a Velmora matrix in a file of JASPAR matrices (the first at line 1); one file holds one format\n"

case JASPAR count against K
write m.txt ">MA1 x\nA [ 8 1 ]\nC [ 0 1 ]\nG [ 2 1 ]\nT [ 0 5 ]\n"
run -i one_record.fa -M m.txt -K 2 -o out
status 1
stderr "Velmora: matrix file 'm.txt' holds 1 matrix, but -K asks for 2\n"

case MEME fewer rows than w
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: w= 3\n0.25 0.25 0.25 0.25\n0.25 0.25 0.25 0.25\nMOTIF n\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 6: the matrix at line 3 has 2 rows where w= says 3; found 'MOTIF n'\n"

case MEME row beyond w
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: w= 1\n0.25 0.25 0.25 0.25\n0.25 0.25 0.25 0.25\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 5: a row beyond the w= 1 rows of the matrix at line 3\n"

case MEME file ends inside a matrix
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: w= 3\n0.25 0.25 0.25 0.25\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt' is truncated: the matrix at line 3 has w= 3 but the file ends after 1 row\n"

case MEME block with fewer rows than w at the end
write m.txt "MEME version 4\n\nMOTIF m1\nletter-probability matrix: alength= 4 w= 3\n0.25 0.25 0.25 0.25\n0.25 0.25 0.25 0.25\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt' is truncated: the matrix at line 4 has w= 3 but the file ends after 2 rows\n"

case MEME alphabet length 20
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: alength= 20 w= 1\n0.25 0.25 0.25 0.25\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: alength= 20: only the four letters A, C, G, T can be read\n"

case MEME width 0
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: alength= 4 w= 0\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: w= 0: a motif is 1 to 1000 positions wide\n"

case MEME width 1001
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: w= 1001\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: w= 1001: a motif is 1 to 1000 positions wide\n"

case MEME width not a number
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: w= six\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: w= 'six' is not a whole number\n"

case MEME nsites not a number
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: w= 1 nsites= many\n0.25 0.25 0.25 0.25\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: nsites= 'many' is not a number\n"

case MEME row of three numbers
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: w= 1\n0.5 0.5 0\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 4: row 1 holds 3 numbers; alength= 4 needs one for each of A, C, G, T\n"

case MEME negative number
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: w= 1\n0.5 0.5 -0.1 0.1\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 4: row 1, column 3 (G): '-0.1' is negative; counts and frequencies cannot be\n"

case MEME number not a number
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: w= 1\n0.5 x 0 0\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 4: row 1, column 2 (C): 'x' is not a number\n"

case MEME row summing to 0
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: w= 2\n0.25 0.25 0.25 0.25\n0 0 0 0\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 5: row 2 sums to 0; at least one of A, C, G, T must be positive\n"

case MEME matrix without rows
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix:\nURL x\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: the matrix at line 3 has no rows\n"

case MEME matrix before any MOTIF
write m.txt "MEME version 4\nletter-probability matrix: w= 1\n0.25 0.25 0.25 0.25\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: a letter-probability matrix before any MOTIF line\n"

case MEME second matrix for a MOTIF
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: w= 1\n0.25 0.25 0.25 0.25\nletter-probability matrix: w= 1\n0.25 0.25 0.25 0.25\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 5: a second letter-probability matrix for the MOTIF at line 2\n"

case MEME MOTIF without matrix
write m.txt "MEME version 4\nMOTIF m\nMOTIF n\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: a new MOTIF, but the MOTIF at line 2 has no letter-probability matrix\n"

case MEME file ends after a MOTIF
write m.txt "MEME version 4\nMOTIF m\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt' is truncated: the MOTIF at line 2 has no letter-probability matrix\n"

case MEME protein alphabet
write m.txt "MEME version 4\nALPHABET= ACDEFGHIKLMNPQRSTVWY\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: the alphabet 'ACDEFGHIKLMNPQRSTVWY' is not ACGT; only DNA motifs can be read\n"

case MEME custom alphabet
write m.txt "MEME version 4\nALPHABET \"DNA\" DNA-LIKE\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: only the DNA alphabet (ALPHABET= ACGT) can be read\n"

case MEME file with a JASPAR block
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: w= 1\n0.25 0.25 0.25 0.25\n>MA1 x\nA [ 8 1 ]\nC [ 0 1 ]\nG [ 2 1 ]\nT [ 0 5 ]\n"
run -i one_record.fa -M m.txt -K 2 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 5: a '>' matrix header in a file of MEME matrices (the first at line 1); one file holds one format\n"

case MEME matrix in a Velmora file
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: w= 1\n0.25 0.25 0.25 0.25\n>1\n1\t1\t1\t1\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: a MEME matrix where the file's matrices are in Velmora's format (the first at line 5); one file holds one format\n"

case MEME count against K
write m.txt "MEME version 4\n\nALPHABET= ACGT\n\nMOTIF MA1 x\nletter-probability matrix: alength= 4 w= 2 nsites= 8 E= 0\n0.8 0 0.2 0\n0.125 0.125 0.125 0.625\nMOTIF b\nletter-probability matrix: w= 1\n0.25 0.25 0.25 0.25\n"
run -i one_record.fa -M m.txt -K 3 -o out
status 1
stderr "Velmora: matrix file 'm.txt' holds 2 matrices, but -K asks for 3\n"

case Velmora file with a JASPAR block
write m.txt ">2 x\n8\t0\t2\t0\n1\t1\t1\t5\n>MA1 x\nA [ 8 1 ]\nC [ 0 1 ]\nG [ 2 1 ]\nT [ 0 5 ]\n"
run -i one_record.fa -M m.txt -K 2 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 4: a JASPAR matrix where the file's matrices are in Velmora's format (the first at line 1); one file holds one format\n"

case Velmora file with a MEME block
write m.txt ">2 x\n8\t0\t2\t0\n1\t1\t1\t5\nMEME version 4\n\nALPHABET= ACGT\n\nMOTIF MA1 x\nletter-probability matrix: alength= 4 w= 2 nsites= 8 E= 0\n0.8 0 0.2 0\n0.125 0.125 0.125 0.625\n"
run -i one_record.fa -M m.txt -K 2 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 9: a MEME matrix where the file's matrices are in Velmora's format (the first at line 1); one file holds one format\n"

case Velmora file with a MEME line and the count off
write m.txt "MOTIF a\n>2 x\n8\t0\t2\t0\n1\t1\t1\t5\n"
run -i one_record.fa -M m.txt -K 2 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 1: a MEME motif line where the file's matrices are in Velmora's format (the first at line 2); one file holds one format\n"

case MEME-like comments in a Velmora file
write m.txt "MOTIF list: bcd\nMEME version none\n>2 x\n8\t0\t2\t0\n1\t1\t1\t5\n"
run -i one_record.fa -M m.txt -K 1 -o out
stderr ""

case matrix file that cannot be opened
run -i one_record.fa -M missing.pwm -K 1 -o out
status 1
stderr "Velmora: cannot open matrix file 'missing.pwm': No such file or directory\n"

case empty matrix path
run -i one_record.fa -M "" -K 1 -o out
status 1
stderr "Velmora: no matrix file given: -M FILE is required\n"

case gzip MEME file of two members
write m.txt ">2 x\n8\t0\t2\t0\n1\t1\t1\t5\n"
write a "MEME version 4\nMOTIF a\nletter-probability matrix: w= 1\n1 0 0 0\n"
write b "MOTIF b\nletter-probability matrix: w= 1\n1 0 0 0\n"
gzip a
gzip b
write m.gz @a @b
run -i one_record.fa -M m.gz -K 2 -o out
stderr ""

case sequence file given as matrix file
write m.txt ">chr1\n" 215000*"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt' looks like a FASTA sequence file (line 2 holds bases): give it to -i and the matrices to -M\n"

case sequence and matrix files swapped
copy examples/eve_stripe2.fa examples/fly_bcd_hb_Kr.pwm
run -i fly_bcd_hb_Kr.pwm -M eve_stripe2.fa -o out
status 1
stderr "Velmora: matrix file 'eve_stripe2.fa' looks like a FASTA sequence file (line 2 holds bases): give it to -i and the matrices to -M\n"

case sequence file of lower-case bases and blank lines given as matrix file
write m.fa "\n>seq1 from a genome\r\n\r\nacgtnnRYKMacgt\r\nACGT\r\n"
run -i one_record.fa -M m.fa -o out
status 1
stderr "Velmora: matrix file 'm.fa' looks like a FASTA sequence file (line 4 holds bases): give it to -i and the matrices to -M\n"

case header above a row of letters that are not bases
write m.txt ">bcd\nACGTX\n"
run -i one_record.fa -M m.txt -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 1: the width after '>' must be a whole number from 1 to 1000, got 'bcd'\n"

case MEME width given empty
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: alength= 4 w=\n0.25 0.25 0.25 0.25\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: w= '' is not a whole number\n"

case MEME width of ten digits
write m.txt "MEME version 4\nMOTIF m\nletter-probability matrix: w= 1234567890\n0.25 0.25 0.25 0.25\n"
run -i one_record.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 3: w= '1234567890' is not a whole number\n"

section nothing lost
copy examples/eve_stripe2.fa examples/fly_bcd_hb_Kr.pwm planted.fa planted.pwm
write out_module.txt "earlier run\n"

case sequence file that is a result file
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o x
stderr ""
run -i x_module.txt -M fly_bcd_hb_Kr.pwm -o x
status 1
stderr "Velmora: sequence file 'x_module.txt' is also the result file 'x_module.txt': choose another -o\n"

case sequence file linked to a result file
symlink in.fa out_module.txt
run -i in.fa -M fly_bcd_hb_Kr.pwm -o out
status 1
stderr "Velmora: sequence file 'in.fa' is also the result file 'out_module.txt': choose another -o\n"

case matrix file that is a result file
write mm_motif1.txt @fly_bcd_hb_Kr.pwm
run -i eve_stripe2.fa -M mm_motif1.txt -o mm
status 1
stderr "Velmora: matrix file 'mm_motif1.txt' is also the result file 'mm_motif1.txt': choose another -o\n"

case picture over a result file
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o o --svg o_module.txt
status 1
stderr "Velmora: picture file 'o_module.txt' is also the result file 'o_module.txt': choose another --svg\n"

case picture over an earlier run's records file, named otherwise
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o o --summary
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o o --summary --svg ./o_records.tsv
status 1
stderr "Velmora: picture file './o_records.tsv' is also the result file 'o_records.tsv' (the same file): choose another --svg\n"

case picture over a result file the run creates, named otherwise
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o o --bed --svg ./o_sites.bed
status 1
stderr "Velmora: picture file './o_sites.bed' is also the result file 'o_sites.bed' (the same file): choose another --svg\n"
absent o_module.txt o_motif1.txt o_modules.bed o_sites.bed

case result files linked to each other
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o o --bed
symlink o_records.tsv o_motif1.txt
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o o --summary
status 1
stderr "Velmora: result file 'o_records.tsv' is also the result file 'o_motif1.txt' (the same file): choose another -o\n"

case result files linked to each other by a hard link
write o_modules.bed ""
hardlink o_sites.bed o_modules.bed
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o o --bed
status 1
stderr "Velmora: result file 'o_sites.bed' is also the result file 'o_modules.bed' (the same file): choose another -o\n"

case result file linked to one the run creates
symlink o_motif3.txt o_motif2.txt
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o o
status 1
stderr "Velmora: result file 'o_motif3.txt' is also the result file 'o_motif2.txt' (the same file): choose another -o\n"
absent o_module.txt o_motif1.txt o_motif2.txt

case a run starts its lines on a line of their own
write o_modules.bed "chrA\t1\t9\tmodule1\t0\t.\t0.000000\tNULL"
write o_records.tsv @planted.fa:0:4
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o o --bed --summary -x 0.01 -L 100
stderr-starts "Velmora: warning: result files"
file o_modules.bed "chrA\t1\t9\tmodule1\t0\t.\t0.000000\tNULL\neve_stripe2\t380\t480\tmodule2\t364\t.\t3.643496\t+Kr_MA0452.3(417)+hb_MA0049.1(444)-bcd_MA0212.1(474)\n"
has o_records.tsv "\neve_stripe2\t484\t"

case FIFO as result file
mkfifo f_module.txt
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o f
status 1
stderr "Velmora: cannot write result file 'f_module.txt': not a regular file\n"

case file-size limit during the run
limit-file-size 150
run -i planted.fa -M planted.pwm -K 2 -L 10 -x 0.5 -o lim --bed
status 1
stderr "Velmora: cannot write result file 'lim_module.txt': File too large\n"

case standard output full
stdout-to /dev/full
run --version
status 1
stderr "Velmora: cannot write to standard output: No space left on device\n"

case usage to a full standard output
stdout-to /dev/full
run
status 1
stderr "Velmora: every option, the input forms and the result files: Velmora --help\nVelmora: cannot write to standard output: No space left on device\n"

case empty base name
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o ""
status 1
stderr "Velmora: empty base name given to -o: the result files need a name\n"

case huge K counted before anything is held
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -K 200000000 -L 2000000000 -o out
status 1
stderr "Velmora: matrix file 'fly_bcd_hb_Kr.pwm' holds 3 matrices, but -K asks for 200000000\n"

case byte-order marks before the first header and the first matrix
write bom.fa "\xef\xbb\xbf" @planted.fa
write bom.pwm "\xef\xbb\xbf" @planted.pwm
run -i bom.fa -M bom.pwm -K 2 -L 40 -x 0.01 -o bom
stderr ""
run -i planted.fa -M planted.pwm -K 2 -L 40 -x 0.01 -o plain
stderr ""
same bom_module.txt plain_module.txt
same bom_motif2.txt plain_motif2.txt

case hexadecimal number in a matrix row
write m.txt ">1\n0x10\t1\t1\t1\n"
run -i eve_stripe2.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: field 1 (A) '0x10' is not a number\n"

case MEME negative width
write m.txt "MOTIF a\nletter-probability matrix: w= -6\n"
run -i eve_stripe2.fa -M m.txt -K 1 -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: w= -6 is negative: a motif is 1 to 1000 positions wide\n"

case interrupt cuts the results back
write big.fa 30000*">r\nGGTTACCCGGTACTGCATAACAATGGAACCCGAACCGTAACTGGGACAGATCGAAAAGCTGGCCTGGTTTCTCGCTGTGTGTGCCGTGTTAATCCGTTTG\n"
run-then-signal INT out_module.txt -i big.fa -M fly_bcd_hb_Kr.pwm -o out -x 0.5 -L 10 --bed
status 130
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\n"

case termination cuts the results back
write big.fa 30000*">r\nGGTTACCCGGTACTGCATAACAATGGAACCCGAACCGTAACTGGGACAGATCGAAAAGCTGGCCTGGTTTCTCGCTGTGTGTGCCGTGTTAATCCGTTTG\n"
run-then-signal TERM new_module.txt -i big.fa -M fly_bcd_hb_Kr.pwm -o new -x 0.5 -L 10
status 143
stderr ""

case hangup cuts the results back
write big.fa 30000*">r\nGGTTACCCGGTACTGCATAACAATGGAACCCGAACCGTAACTGGGACAGATCGAAAAGCTGGCCTGGTTTCTCGCTGTGTGTGCCGTGTTAATCCGTTTG\n"
run-then-signal HUP out_module.txt -i big.fa -M fly_bcd_hb_Kr.pwm -o out -x 0.5 -L 10
status 129
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\n"

case broken pipe cuts the results back
write big.fa 30000*">r\nGGTTACCCGGTACTGCATAACAATGGAACCCGAACCGTAACTGGGACAGATCGAAAAGCTGGCCTGGTTTCTCGCTGTGTGTGCCGTGTTAATCCGTTTG\n"
run-then-signal PIPE out_module.txt -i big.fa -M fly_bcd_hb_Kr.pwm -o out -x 0.5 -L 10
status 141
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\n"

case a second and a third run on the same files fail at once
write big.fa 30000*">r\nGGTTACCCGGTACTGCATAACAATGGAACCCGAACCGTAACTGGGACAGATCGAAAAGCTGGCCTGGTTTCTCGCTGTGTGTGCCGTGTTAATCCGTTTG\n"
start out_module.txt -i big.fa -M fly_bcd_hb_Kr.pwm -o out -x 0.5 -L 10
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o out
status 1
stderr "Velmora: result file 'out_module.txt' is in use by another run: wait for it to end or choose another -o\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o out -x 0.01 -L 100
status 1
stderr "Velmora: result file 'out_module.txt' is in use by another run: wait for it to end or choose another -o\n"
finish
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\n"

case out of memory while reading a record
write big.fa ">big\n" 100000000*"A" "\n"
limit-memory 80000000
run -i big.fa -M fly_bcd_hb_Kr.pwm -o out
status 1
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: out of memory while reading sequence file 'big.fa' from line 1: 134217729 bytes could not be held\n"

case endless line of no letters
run -i /dev/zero -M fly_bcd_hb_Kr.pwm -o out
status 1
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: sequence file '/dev/zero', line 1: more than 1073741824 bytes that are no letters in one line, and no line end\n"

case endless matrix line
run -i eve_stripe2.fa -M /dev/zero -o out
status 1
stderr "Velmora: matrix file '/dev/zero', line 1: longer than 1048576 bytes: not a matrix file\n"

case header beyond any real one
write h.fa ">" 1100000*"h" "\nACGT\n"
run -i h.fa -M fly_bcd_hb_Kr.pwm -o out
status 1
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: sequence file 'h.fa', line 1: a header longer than 1048576 bytes\n"

case carriage returns alone inside sequence lines
write mac.fa ">r1\nACGTACGT\rTTGGCCAA\nACGT\n>r2\rGGCCTTAA\rAC\r"
write unix.fa ">r1\nACGTACGT\nTTGGCCAA\nACGT\n>r2\nGGCCTTAA\nAC\n"
run -i mac.fa -M planted.pwm -K 2 -L 10 -x 0.5 -o mac
stderr ""
run -i unix.fa -M planted.pwm -K 2 -L 10 -x 0.5 -o unix
stderr ""
same mac_module.txt unix_module.txt
same mac_motif1.txt unix_motif1.txt

case characters after the letters of a line are reported once per record
write in.fa ">a\nACGT ACGT\nAC  \t\n10 ACGT\n>b\nACGTAC \n>c\nAAAA;x\n"
run -i in.fa -M planted.pwm -K 2 -o out
stderr "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: warning: sequence file 'in.fa', line 2: 5 characters after the letters of the line ignored (record '>a')\nVelmora: warning: sequence file 'in.fa', line 8: 2 characters after the letters of the line ignored (record '>c')\n"

case a cut-back that fails says what each file now holds
write big.fa 30000*">r\nGGTTACCCGGTACTGCATAACAATGGAACCCGAACCGTAACTGGGACAGATCGAAAAGCTGGCCTGGTTTCTCGCTGTGTGTGCCGTGTTAATCCGTTTG\n"
gzip big.fa
flip big.fa 7
start out_module.txt -i big.fa -M fly_bcd_hb_Kr.pwm -o out -x 0.5 -L 10
remove out_module.txt
mkdir out_module.txt
finish
status 1
stderr-starts "Velmora: warning: result file 'out_module.txt' already holds results: this run adds its own after them (--overwrite starts afresh)\nVelmora: cannot read sequence file 'big.fa': corrupt gzip data (checksum mismatch); could not restore 'out_module.txt' (Is a directory): it now holds "

case symbolic link to a missing file as result file
symlink out_motif1.txt nowhere/out_motif1.txt
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o out
status 1
stderr "Velmora: cannot write result file 'out_motif1.txt': a symbolic link to a missing file\n"

section threads
copy examples/fly_bcd_hb_Kr.pwm
threads 1 2 3 8

case records of every kind side by side
random-fasta g.fa 7 0 1 N300 mix 5000 150000 2 30 900 60000 0 12000 N5 700
run -i g.fa -M fly_bcd_hb_Kr.pwm -x 0.05 -L 60 -o g --bed
stderr "Velmora: warning: sequence file 'g.fa', line 1: record '>r1 0' has 0 bases: too short to scan (at least 2 needed)\nVelmora: warning: sequence file 'g.fa', line 2: record '>r2 1' has 1 base: too short to scan (at least 2 needed)\nVelmora: warning: sequence file 'g.fa', line 3134: record '>r11 0' has 0 bases: too short to scan (at least 2 needed)\n"
has g_module.txt ">r6 150000\t"

case one long record on two threads
random-fasta long.fa 11 300000
run -i long.fa -M fly_bcd_hb_Kr.pwm -x 0.02 -L 100 -o long -r 0
has long_module.txt ">r1 300000\t"

case many short records and a second run appending
random-fasta many.fa 5 500 80 1200 300 40 2500 500 90 1800 600 1000 350 700 220 60 3000 400
run -i many.fa -M fly_bcd_hb_Kr.pwm -x 0.1 -L 40 -o many
run -i many.fa -M fly_bcd_hb_Kr.pwm -x 0.1 -L 40 -o many

case a bad gzip block behind records in flight
random-fasta z.fa 3 40000 40000 40000 40000 40000 40000
gzip z.fa
flip z.fa 40
run -i z.fa -M fly_bcd_hb_Kr.pwm -x 0.05 -L 60 -o z --bed
status 1
stderr "Velmora: cannot read sequence file 'z.fa': corrupt gzip data (checksum mismatch)\n"

case a write error behind records in flight
random-fasta w.fa 9 30000 30000 30000 30000 30000 30000
limit-file-size 3000
run -i w.fa -M fly_bcd_hb_Kr.pwm -x 0.05 -L 60 -o w --bed
status 1
stderr-starts "Velmora: cannot write result file 'w_"

case thread count in words
threads
random-fasta t.fa 1 3000
run -i t.fa -M fly_bcd_hb_Kr.pwm --threads 2 -o t
has t_module.txt "--threads 2 -o t \n"

case null sequences of a second run keep one header
threads
random-fasta n.fa 4 3000 N40 800 1
run -i n.fa -M fly_bcd_hb_Kr.pwm -x 0.02 -L 100 -o n --null 9 --quiet
run -i n.fa -M fly_bcd_hb_Kr.pwm -x 0.02 -L 100 -o n --null 9 --quiet --seed 18446744073709551615
records n

case a BED file whose last line names no module goes on from its line count
copy examples/eve_stripe2.fa
write o_modules.bed "chrA\t1\t9\tpeak1\t0\t.\nchrA\t20\t29\tpeak2\t0\t.\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o o --bed -x 0.01 -L 100 --quiet
has o_modules.bed "peak2\t0\t.\neve_stripe2\t380\t480\tmodule3\t"

case fitted p-values that fall back to the empirical ones
copy examples/eve_stripe2.fa
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o long -L 600 -x 0.01 --null 19 --quiet
has long_records.tsv "\tbest_window_p_gumbel is the empirical p: the record is shorter than L\t\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -o few -L 100 -x 0.01 --null 5 --quiet
has few_records.tsv "\tbest_window_p_gumbel is the empirical p: too few distinct null scores to fit\t\n"

case records no motif fits in have p 1
write s.fa ">RA\nRA\n>AR\nAR\n>TTA\nTTA\n"
run -i s.fa -M fly_bcd_hb_Kr.pwm -o s --null 99 --quiet
file s_records.tsv @s.fa:0:0 "#name\tlength\tscanned\tmodules\tsites\tbest_module\tbest_module_E\tbest_window\tbest_window_p\tbest_window_p_gumbel\tbest_window_q_gumbel\tnote\tdescription\n" "RA\t2\t2\t0\t0,0,0\t\t\t-0.024145\t1\t1\t1\tshorter than every motif: it holds no site\t\nAR\t2\t2\t0\t0,0,0\t\t\t-0.024145\t1\t1\t1\tshorter than every motif: it holds no site\t\nTTA\t3\t3\t0\t0,0,0\t\t\t-0.036218\t1\t1\t1\tshorter than every motif: it holds no site\t\n"

case null count zero
threads
run -i t.fa -M fly_bcd_hb_Kr.pwm --null 0
status 1
stderr "Velmora: option --null expects a whole number of null sequences from 1 to 1000000, got '0'\n"

case null count negative
threads
run -i t.fa -M fly_bcd_hb_Kr.pwm --null -1
status 1
stderr "Velmora: option --null expects a whole number of null sequences from 1 to 1000000, got '-1'\n"

case null count beyond a million
threads
run -i t.fa -M fly_bcd_hb_Kr.pwm --null 1000001
status 1
stderr "Velmora: option --null expects a whole number of null sequences from 1 to 1000000, got '1000001'\n"

case seed not a number
threads
run -i t.fa -M fly_bcd_hb_Kr.pwm --null 5 --seed x
status 1
stderr "Velmora: option --seed expects a whole number from 0 to 18446744073709551615, got 'x'\n"

case seed beyond 64 bits
threads
run -i t.fa -M fly_bcd_hb_Kr.pwm --null 5 --seed 18446744073709551616
status 1
stderr "Velmora: option --seed expects a whole number from 0 to 18446744073709551615, got '18446744073709551616'\n"

case seed without null sequences
threads
random-fasta t.fa 1 300
run -i t.fa -M fly_bcd_hb_Kr.pwm --seed 5 -o t
stderr "Velmora: warning: option --seed has no effect without --null\n"

case seed without a value
threads
run -i t.fa -M fly_bcd_hb_Kr.pwm --null 5 --seed
status 1
stderr "Velmora: option --seed needs a value\n"

case thread count zero
threads
run -i t.fa -M fly_bcd_hb_Kr.pwm -t 0
status 1
stderr "Velmora: option -t expects a whole number of threads from 1 to 1024, got '0'\n"

case thread count not a number
threads
run -i t.fa -M fly_bcd_hb_Kr.pwm --threads two
status 1
stderr "Velmora: option --threads expects a whole number of threads from 1 to 1024, got 'two'\n"

case thread count too large
threads
run -i t.fa -M fly_bcd_hb_Kr.pwm -t 1025
status 1
stderr "Velmora: option -t expects a whole number of threads from 1 to 1024, got '1025'\n"

case thread count missing
threads
run -i t.fa -M fly_bcd_hb_Kr.pwm --threads
status 1
stderr "Velmora: option --threads needs a value\n"

section wrong kind of input
copy examples/fly_bcd_hb_Kr.pwm

case FASTQ is refused
write r.fq "\n@read1\nACGTACGTAC\n+\nIIIIIIIIII\n"
run -i r.fq -M fly_bcd_hb_Kr.pwm -o out
status 1
stderr "Velmora: sequence file 'r.fq', line 2: a '@' header: this is FASTQ, not FASTA; convert it first, for example with 'seqtk seq -A in.fq > out.fa'\n"

case gzip FASTQ on standard input is refused
write r.fq.gz "\n@read1\nACGTACGTAC\n+\nIIIIIIIIII\n"
gzip r.fq.gz
stdin @r.fq.gz
run -i - -M fly_bcd_hb_Kr.pwm -o out
status 1
stderr "Velmora: sequence file '-' (standard input), line 2: a '@' header: this is FASTQ, not FASTA; convert it first, for example with 'seqtk seq -A in.fq > out.fa'\n"

case a protein record is named
write p.fa ">dna\nACGTTGCAACGTAGCTAGCTAGGATCGATCGATGCTAGCT\n>sp|P69905|HBA_HUMAN\nMVLSPADKTNVKAAWGKVGAHAGEYGAEALERMFLSFPTTKTYFPHF\n"
run -i p.fa -M fly_bcd_hb_Kr.pwm -o out
stderr "Velmora: warning: sequence file 'p.fa', line 3: record '>sp|P69905|HBA_HUMAN' has 31 of 47 letters other than A, C, G, T and N: a protein sequence? The scan reads them as A\n"

section motif collections
copy examples/eve_stripe2.fa examples/fly_bcd_hb_Kr.jaspar jaspar/JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt

case motifs picked from a collection by name
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar -x 0.01 -L 100 -o three --bed
run -i eve_stripe2.fa -M JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt --motifs bcd,hb,Kr -x 0.01 -L 100 -o picked --bed
report-has "; motifs 1 bcd (MA0212.1), 2 hb (MA0049.1), 3 Kr (MA0452.3)\n"
same three_module.txt picked_module.txt
same three_motif2.txt picked_motif2.txt
same three_sites.bed picked_sites.bed
same three_modules.bed picked_modules.bed

case motifs picked from a collection by ID, in the order given
run -i eve_stripe2.fa -M JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt --motifs MA0452.3,MA0049.1,MA0212.1 -x 0.01 -L 100 -o ids --bed
report-has "; motifs 1 Kr (MA0452.3), 2 hb (MA0049.1), 3 bcd (MA0212.1)\n"
file ids_modules.bed "eve_stripe2\t380\t480\tmodule1\t364\t.\t3.643496\t+Kr(417)+hb(444)-bcd(474)\n"

case a whole collection leaves no weight for background bases
run -i eve_stripe2.fa -M JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt -o all
status 1
stderr "Velmora: matrix file 'JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt' holds 286 matrices: with -L 200 they leave no weight for background bases (0.8 * K must be below L): use a longer -L or pick fewer with --motifs\n"

case a motif asked for twice
run -i eve_stripe2.fa -M JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt --motifs bcd,hb,MA0212.1 -o x
status 1
stderr "Velmora: matrix file 'JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt': 'bcd' and 'MA0212.1' are the same matrix (line 650)\n"

case a name two matrices of a collection share
run -i eve_stripe2.fa -M JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt --motifs bcd,dl -o x
status 1
stderr "Velmora: matrix file 'JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt': 2 matrices are named 'dl' (MA0022.1, MA0023.1): pick one by its ID\n"

case a name four matrices of a collection share
run -i eve_stripe2.fa -M JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt --motifs br -o x
status 1
stderr "Velmora: matrix file 'JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt': 4 matrices are named 'br' (MA0013.1, MA0010.2, MA0011.2, MA0012.2): pick one by its ID\n"

case one of the matrices that share a name picked by its ID
run -i eve_stripe2.fa -M JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt --motifs bcd,MA0023.1 -x 0.01 -L 100 -o x
report-has "; motifs 1 bcd (MA0212.1), 2 dl (MA0023.1); no module found: a higher -x lowers the bar, and --summary ranks every record by its best window score\n"

case a name two matrices without an ID share
write m.pwm ">1 bcd\n1\t1\t1\t1\n>1 bcd\n1\t1\t1\t1\n"
run -i eve_stripe2.fa -M m.pwm --motifs bcd -o x
status 1
stderr "Velmora: matrix file 'm.pwm': 2 matrices are named 'bcd' (line 1, line 3): give each its own name in the file\n"

case motifs and a K that differs
run -i eve_stripe2.fa -M JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt --motifs bcd,hb,Kr -K 2 -o x
status 1
stderr "Velmora: -K 2 does not match the 3 matrices --motifs names\n"

case motifs without a name
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar --motifs ,, -o x
status 1
stderr "Velmora: option --motifs expects matrix IDs or names separated by commas, got ',,'\n"

case picture file is a directory
mkdir pic
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar --svg pic -o x
status 1
stderr "Velmora: cannot write picture file 'pic': Is a directory\n"

case picture file is an input
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar --svg eve_stripe2.fa -o x
status 1
stderr "Velmora: sequence file 'eve_stripe2.fa' is also the picture file 'eve_stripe2.fa': choose another --svg\n"

case picture named in the report
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar -x 0.01 -L 100 --svg eve.svg -o x
report-has ", picture eve.svg; motifs "
has eve.svg "<text class=\"score\""

case picture region without a colon
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar --svg x.svg --svg-region chr2R -o x
status 1
stderr "Velmora: option --svg-region expects NAME:START-END, a stretch in the BED files' coordinates (0-based, START below END), got 'chr2R'\n"
absent x.svg x_module.txt

case picture region ending before it starts
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar --svg x.svg --svg-region chr2R:500-500 -o x
status 1
stderr "Velmora: option --svg-region expects NAME:START-END, a stretch in the BED files' coordinates (0-based, START below END), got 'chr2R:500-500'\n"
absent x.svg x_module.txt

case picture region without a name or with a number that is none
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar --svg x.svg --svg-region :1-5 -o x
status 1
stderr "Velmora: option --svg-region expects NAME:START-END, a stretch in the BED files' coordinates (0-based, START below END), got ':1-5'\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar --svg x.svg --svg-region chr2R:1,000-5000 -o x
status 1
stderr "Velmora: option --svg-region expects NAME:START-END, a stretch in the BED files' coordinates (0-based, START below END), got 'chr2R:1,000-5000'\n"

case picture region with one dash
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar --svg x.svg -svg-region chr2R:1-5 -o x
status 1
stderr "Velmora: unknown option -svg-region: long options take two dashes (--svg-region)\n"

case picture region and regions without a picture
write known.bed "chr2R\t1\t5\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar --svg-region chr2R:1-5 --svg-bed known.bed -o x
stderr "Velmora: warning: option --svg-region has no effect without --svg\nVelmora: warning: option --svg-bed has no effect without --svg\n"

case picture regions of a line with two columns
write known.bed "# mine\ntrack name=x\nchr2R\t1\t5\tone\nchr2R\t7\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar --svg x.svg --svg-bed known.bed -o x
status 1
stderr "Velmora: regions file 'known.bed', line 4: a BED line has 3 columns at least (chrom, start, end), this one 2\n"
absent x.svg x_module.txt x_motif1.txt

case picture regions with a position that is no number
write known.bed "browser position chr2R\n\nchr2R 1 5\nchr2R\t-1\t5\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar --svg x.svg --svg-bed known.bed -o x
status 1
stderr "Velmora: regions file 'known.bed', line 4: start '-1' and end '5' must be whole numbers of 0 or more\n"
absent x.svg x_module.txt

case picture regions ending before they start
write known.bed "chr2R\t10\t5\tback\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar --svg x.svg --svg-bed known.bed -o x
status 1
stderr "Velmora: regions file 'known.bed', line 1: end 5 lies before start 10\n"
absent x.svg x_module.txt

case picture regions file missing or over a result file
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar --svg x.svg --svg-bed none.bed -o x
status 1
stderr "Velmora: cannot open regions file 'none.bed': No such file or directory\n"
absent x.svg x_module.txt
write x_module.txt "chr2R\t1\t5\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.jaspar --svg x.svg --svg-bed x_module.txt -o x
status 1
stderr "Velmora: regions file 'x_module.txt' is also the result file 'x_module.txt': choose another -o\n"
file x_module.txt "chr2R\t1\t5\n"

case a motif the collection does not hold
run -i eve_stripe2.fa -M JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt --motifs Kruppel,hb -o x
status 1
stderr "Velmora: matrix file 'JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt' has no matrix with ID or name 'Kruppel'; nearest: Kr, Rel, caup\n"
