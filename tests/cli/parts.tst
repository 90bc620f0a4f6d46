# Split and merge: the parts of one input, scanned one by one and merged,
# give the result files of one run over the whole input (echo lines aside).
# The section's set-up splits a file of six records into three parts (the
# 12000-base record larger than a part is a part of its own) and scans each.

section split and merge
copy examples/fly_bcd_hb_Kr.jaspar
random-fasta g.fa 5 3000 0 12000 1 800 5000
run split -i g.fa -o g --part-bases 6000
stdout "g.part001.fa\ng.part002.fa\ng.part003.fa\n"
run -i g.part001.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed -o g.part001
run -i g.part002.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed -o g.part002
run -i g.part003.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed -o g.part003 -t 3

case merged parts are one run
run -i g.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed -o whole
run merge -o m --bed g.part001 g.part002 g.part003
stderr ""
same m_module.txt whole_module.txt
same m_motif1.txt whole_motif1.txt
same m_motif2.txt whole_motif2.txt
same m_motif3.txt whole_motif3.txt
same m_modules.bed whole_modules.bed
same m_sites.bed whole_sites.bed
has m_module.txt "\n./Velmora merge -o m --bed g.part001 g.part002 g.part003 ; parts scanned with: -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed \n"

case parts scanned from standard input, and paths with blanks
copy examples/eve_stripe2.fa
mkdir "my dir"
stdin @g.part001.fa
run -i - -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed -o "my dir/p 1"
stdin @g.part002.fa
run -i - -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed -o "my dir/p 2" -t 2
stdin @g.part003.fa
run -i - -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed -o "my dir/p 3"
stdin ""
run -i g.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed -o whole
run merge -o "my dir/m" --bed "my dir/p 1" "my dir/p 2" "my dir/p 3"
stderr ""
same "my dir/m_module.txt" whole_module.txt
same "my dir/m_sites.bed" whole_sites.bed

case a part drawn with a picture of its own
write known.bed "r3\t0\t100\n"
run -i g.part002.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed -o drawn --svg d.svg --svg-region r3:0-1000 --svg-bed known.bed --quiet
run merge -o m --bed g.part001 drawn g.part003
stderr ""

case merged without the BED files
run merge -o m g.part001 g.part002 g.part003
status 1
stderr "Velmora: part 'g.part001' has BED files: merge them too with --bed\n"

case a part is missing
run merge -o m --bed g.part001 g.part003
status 1
stderr "Velmora: part 2 of 'g.part*.fa' is missing: 'g.part003' scanned part 3\n"

case a missing last part
run merge -o m --bed g.part001 g.part002
status 1
stderr "Velmora: part 3 of 'g.part*.fa' is missing: the split made 3 parts ('g.parts')\n"

case a split lists its parts
file g.parts "g.part001.fa\ng.part002.fa\ng.part003.fa\n"

case a part given twice
run merge -o m --bed g.part001 g.part002 g.part002 g.part003
status 1
stderr "Velmora: part 'g.part002' is given twice\n"

case a part made with other options
run -i g.part002.fa -M fly_bcd_hb_Kr.jaspar -x 0.02 -L 60 --bed -o odd
run merge -o m --bed g.part001 odd g.part003
status 1
stderr "Velmora: parts 'g.part001' and 'odd' were made with different options or matrices: they are not of one run\n"

case a part made with a matrix file of fewer motifs
write two.jaspar @fly_bcd_hb_Kr.jaspar:0:467
remove fly_bcd_hb_Kr.jaspar
symlink fly_bcd_hb_Kr.jaspar two.jaspar
run -i g.part002.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed -o k2
run merge -o m --bed g.part001 k2 g.part003
status 1
stderr "Velmora: parts 'g.part001' and 'k2' have 3 and 2 motif files: they are not of one run\n"

case a part scanned with an edited matrix file of the same name
write other.jaspar ">MA9999.1\tother\nA  [ 5 0 0 5 0 0 0 1 ]\nC  [ 0 5 0 0 5 0 1 1 ]\nG  [ 0 0 5 0 0 5 1 1 ]\nT  [ 0 0 0 0 0 0 3 2 ]\n" @fly_bcd_hb_Kr.jaspar:182:542
remove fly_bcd_hb_Kr.jaspar
symlink fly_bcd_hb_Kr.jaspar other.jaspar
run -i g.part002.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed -o edited
run merge -o m --bed g.part001 edited g.part003
status 1
stderr "Velmora: parts 'edited' and 'g.part003' were made with different matrices: motif 1 is 8 and 6 bases wide: they are not of one run\n"

case a part scanned with a renamed matrix of the same width
write other.jaspar ">MA9999.1\tother\nA  [ 0 20 22 0 0 0 ]\nC  [ 0 0 0 0 22 21 ]\nG  [ 0 0 0 1 0 0 ]\nT  [ 22 2 0 21 0 1 ]\n" @fly_bcd_hb_Kr.jaspar:182:542
remove fly_bcd_hb_Kr.jaspar
symlink fly_bcd_hb_Kr.jaspar other.jaspar
run -i g.part002.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed -o edited
run merge -o m --bed g.part001 edited g.part003
status 1
stderr "Velmora: parts 'edited' and 'g.part003' were made with different matrices: motif 1 is named 'other' and 'bcd': they are not of one run\n"

case a part scanned with a matrix file whose counts were edited, names and widths kept
# The other parts were scanned two hours before the edit, an hour before
# the part scanned with the edited file (file times are too coarse to
# order runs a few milliseconds apart).
age 2 g.part001_module.txt g.part003_module.txt
write other.jaspar ">MA0212.1\tbcd\nA  [ 0 20 22 0 0 0 ]\nC  [ 0 0 0 0 22 21 ]\nG  [ 0 0 0 21 0 0 ]\nT  [ 22 2 0 1 0 1 ]\n" @fly_bcd_hb_Kr.jaspar:186:538
remove fly_bcd_hb_Kr.jaspar
symlink fly_bcd_hb_Kr.jaspar other.jaspar
age 1 other.jaspar
run -i g.part002.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed -o edited
run merge -o m --bed g.part001 edited g.part003
status 1
stderr "Velmora: matrix file 'fly_bcd_hb_Kr.jaspar' was changed between the scans of parts 'g.part001' and 'edited': they may hold different matrices; scan the parts again with the file as it is\n"
run merge -o m --bed g.part001 g.part003
status 1
stderr-starts "Velmora: part 2 of 'g.part*.fa' is missing"

case parts merge when their matrix file changed after all of them, or is gone
age 1 g.part001_module.txt g.part002_module.txt g.part003_module.txt
write fly_bcd_hb_Kr.jaspar @fly_bcd_hb_Kr.jaspar
run merge -o m --bed g.part001 g.part002 g.part003
stderr ""
remove fly_bcd_hb_Kr.jaspar
run merge -o m2 --bed g.part001 g.part002 g.part003
stderr ""
same m2_module.txt m_module.txt

case a part of two runs
run -i g.part002.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed -o twice
run -i g.part002.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed -o twice
run merge -o m --bed g.part001 twice g.part003
status 1
stderr "Velmora: result file 'twice_module.txt' holds more than one run: merge takes the results of one run per part\n"

case a part without BED files
run -i g.part002.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 -o plain
run merge -o m --bed g.part001 plain g.part003
status 1
stderr "Velmora: cannot read 'plain_modules.bed': No such file or directory (merge --bed needs the BED files of every part)\n"

case a part that was never scanned
run merge -o m --bed g.part001 nothere
status 1
stderr "Velmora: cannot read 'nothere_module.txt': No such file or directory\n"

case merge onto existing results
write m_module.txt "earlier\n"
run merge -o m --bed g.part001 g.part002 g.part003
status 1
stderr "Velmora: result file 'm_module.txt' exists: merge writes new files; remove it or choose another -o\n"

case merge names an earlier run's files it does not write
write m_motif4.txt "an earlier run's\n"
write m_records.tsv "an earlier run's\n"
run merge -o m --bed g.part001 g.part002 g.part003
stderr "Velmora: warning: result files 'm_motif4.txt', 'm_records.tsv' of the base name are not of this merge: it leaves them as they are\n"
file m_motif4.txt "an earlier run's\n"

case merge without parts
run merge -o m
status 1
stderr "Velmora: merge needs -o BASE and the base names of the parts, in input order\n"

case an empty input is one empty part
write e.fa ""
run split -i e.fa -o e --part-bases 10
stdout "e.part001.fa\n"
file e.part001.fa ""
run -i e.part001.fa -M fly_bcd_hb_Kr.jaspar -o e.part001
run -i e.fa -M fly_bcd_hb_Kr.jaspar -o whole
run merge -o m e.part001
same m_module.txt whole_module.txt
same m_motif3.txt whole_motif3.txt

case split of gzip input, records kept whole
write z.fa ">a first\nacgt\nAC\n>b\nAC\n"
gzip z.fa
run split -i z.fa -o z --part-bases 4
stdout "z.part001.fa\nz.part002.fa\n"
file z.part001.fa ">a first\nACGTAC\n"
file z.part002.fa ">b\nAC\n"

case a record past the part size after an empty one is a part of its own
write e.fa ">e1\n>e2\nAC\n>e3\n"
run split -i e.fa -o e --part-bases 1
stdout "e.part001.fa\ne.part002.fa\ne.part003.fa\n"
file e.part001.fa ">e1\n"
file e.part002.fa ">e2\nAC\n"
file e.part003.fa ">e3\n"

case split needs a part size
run split -i g.fa -o y --part-bases 0
status 1
stderr "Velmora: split: option --part-bases expects a whole number of bases from 1 to 999999999999999, got '0'\n"

case split part size beyond fifteen digits
run split -i g.fa -o y --part-bases 9999999999999999
status 1
stderr "Velmora: split: option --part-bases expects a whole number of bases from 1 to 999999999999999, got '9999999999999999'\n"

case split part size of fifteen digits
run split -i g.fa -o big --part-bases 999999999999999
stdout "big.part001.fa\n"

case split of a file that cannot be read
run split -i nothere.fa -o y --part-bases 100
status 1
stderr "Velmora: cannot open sequence file 'nothere.fa': No such file or directory\n"

case split onto parts that exist
write y.part001.fa "earlier\n"
run split -i g.fa -o y --part-bases 100000
status 1
stderr "Velmora: cannot write 'y.part001.fa': it exists already\n"

case a part file that is not a run's
write bad_module.txt "\n\nVelmora 1.0\n"
write bad_motif1.txt "\n # of sites for motif 1 = 0\n"
run merge -o m bad
status 1
stderr "Velmora: result file 'bad_module.txt' is not a complete result file of one run\n"

case a part's module file cut short
cut g.part002_module.txt 2
run merge -o m --bed g.part001 g.part002 g.part003
status 1
stderr "Velmora: result file 'g.part002_module.txt', line 24: cut short (no line end)\n"

case a part's motif file cut short
cut g.part003_motif2.txt 30
run merge -o m --bed g.part001 g.part002 g.part003
status 1
stderr "Velmora: result file 'g.part003_motif2.txt', line 8: cut short (no line end)\n"

case a part's BED files cut short
cut g.part001_modules.bed 5
run merge -o m --bed g.part001 g.part002 g.part003
status 1
stderr "Velmora: result file 'g.part001_modules.bed', line 2: cut short (no line end)\n"

case a part's sites BED file cut short
cut g.part001_sites.bed 1
run merge -o m --bed g.part001 g.part002 g.part003
status 1
stderr "Velmora: result file 'g.part001_sites.bed', line 4: cut short (no line end)\n"

case a part's damaged module line
flip g.part002_module.txt 20
run merge -o m --bed g.part001 g.part002 g.part003
status 1
stderr "Velmora: result file 'g.part002_module.txt', line 22: not a module line (name, [start,end], score, sites)\n"

case a part's damaged motif line
flip g.part002_motif1.txt 40
run merge -o m --bed g.part001 g.part002 g.part003
status 1
stderr "Velmora: result file 'g.part002_motif1.txt', line 31: not a site line (name, strand, position, probability)\n"

case a part's totals line damaged
flip g.part002_motif1.txt 2
run merge -o m --bed g.part001 g.part002 g.part003
status 1
stderr "Velmora: result file 'g.part002_motif1.txt', line 34: not a totals line\n"

case a part's totals that do not fit its lines
write bad_module.txt "\n# modules = 0\n"
write bad_motif1.txt "\n # of sites for motif 1 = 0\n"
write bad_motif2.txt "\n # of sites for motif 2 = 3\n"
write bad_motif3.txt "\n # of sites for motif 3 = 0\n"
run merge -o m bad
status 1
stderr "Velmora: result file 'bad_motif2.txt', line 2: the total 3 of a run without records\n"
write bad_motif2.txt "\n\nmotif 2\n\n>a\tf\t17\t1.000000\nACGTACGTAC\n\n # of sites for motif 2 = 3\n"
run merge -o m bad
status 1
stderr "Velmora: result file 'bad_motif2.txt', line 8: the total 3 does not fit the 1 site line above it\n"

case a part's modules BED lines damaged by hand
write g.part002_modules.bed "chr1\t10\t60\tmodule1\t0\t.\t1.000000\n"
run merge -o m --bed g.part001 g.part002 g.part003
status 1
stderr "Velmora: result file 'g.part002_modules.bed', line 1: 7 columns where a modules BED line has 8\n"
write g.part002_modules.bed "chr1\tten\t60\tmodule1\t0\t.\t1.000000\tNULL\n"
run merge -o m --bed g.part001 g.part002 g.part003
status 1
stderr "Velmora: result file 'g.part002_modules.bed', line 1: not a modules BED line\n"

case a part's lines after its totals, and a site without its bases
write bad_module.txt "\n# modules = 0\nextra\n"
write bad_motif1.txt "\n # of sites for motif 1 = 0\n"
run merge -o m bad
status 1
stderr "Velmora: result file 'bad_module.txt', line 3: a line after the totals line\n"
write bad_module.txt "\n# modules = 0\n"
write bad_motif1.txt "\n\nmotif 1\n\n>a\tf\t17\t1.000000\n\n # of sites for motif 1 = 1\n"
run merge -o m bad
status 1
stderr "Velmora: result file 'bad_motif1.txt', line 6: a site line without the line of its bases\n"

case a part's damaged sites BED line
flip g.part002_sites.bed 10
run merge -o m --bed g.part001 g.part002 g.part003
status 1
stderr "Velmora: result file 'g.part002_sites.bed', line 24: not a sites BED line\n"

case split beside an older split
write sp.part002.fa ">x\nACGT\n"
write sp.part003.fa ">y\nACGT\n"
run split -i g.fa -o sp --part-bases 100000
status 1
stderr "Velmora: older parts lie beside the new ones: 'sp.part002.fa' and 1 more of another split: remove them or choose another -o\n"
absent sp.part001.fa sp.parts

case split and merge removed by a signal
write big.fa 20000*">r\nGGTTACCCGGTACTGCATAACAATGGAACCCGAACCGTAACTGGGACAGATCGAAAAGCTGGCCTGGTTTCTCGCTGTGTGTGCCGTGTTAATCCGTTTG\n"
run-then-signal TERM big.part001.fa.* split -i big.fa -o big --part-bases 100
status 143
absent big.part001.fa big.parts

case split and merge under a file-size limit
limit-file-size 500
run split -i g.fa -o lim --part-bases 6000
status 1
stderr "Velmora: cannot write 'lim.part001.fa': File too large\n"
absent lim.part001.fa
run merge -o m --bed g.part001 g.part002 g.part003
status 1
stderr "Velmora: cannot write 'm_module.txt': File too large\n"

case split and merge words
run split -i g.fa -o y --part-bases
status 1
stderr "Velmora: split: option --part-bases needs a value\n"
run split -i g.fa --parts 3
status 1
stderr "Velmora: split: unknown word '--parts' (split -i FASTA -o PREFIX --part-bases N)\n"
run split -i g.fa
status 1
stderr "Velmora: split needs -i FASTA, -o PREFIX and --part-bases N\n"
run merge -o m --bedd g.part001
status 1
stderr "Velmora: merge: unknown option '--bedd' (merge -o BASE [--bed] PART_BASE...)\n"
run merge g.part001 -o
status 1
stderr "Velmora: merge: option -o needs a value\n"

section split and merge with p-values
copy examples/fly_bcd_hb_Kr.jaspar examples/eve_stripe2.fa
random-fasta r.fa 2 900 1200 400 3000 0 700 2500 1500 600 2000 1
write p.fa @eve_stripe2.fa @r.fa
run split -i p.fa -o p --part-bases 5000
stdout "p.part001.fa\np.part002.fa\np.part003.fa\np.part004.fa\n"
run -i p.part001.fa -M fly_bcd_hb_Kr.jaspar -x 0.01 -L 100 --bed --null 2 -o p.part001
run -i p.part002.fa -M fly_bcd_hb_Kr.jaspar -x 0.01 -L 100 --bed --null 2 -o p.part002 -t 3
run -i p.part003.fa -M fly_bcd_hb_Kr.jaspar -x 0.01 -L 100 --bed --null 2 -o p.part003
run -i p.part004.fa -M fly_bcd_hb_Kr.jaspar -x 0.01 -L 100 --bed --null 2 -o p.part004

case merged p-values and q-values are one run's
run -i p.fa -M fly_bcd_hb_Kr.jaspar -x 0.01 -L 100 --bed --null 2 -o whole
run merge -o m --bed p.part001 p.part002 p.part003 p.part004
stderr ""
same m_records.tsv whole_records.tsv
same m_modules.bed whole_modules.bed
same m_module.txt whole_module.txt
records m

case a part without its records file
remove p.part002_records.tsv
run merge -o m --bed p.part001 p.part002 p.part003 p.part004
status 1
stderr "Velmora: parts 'p.part001' and 'p.part002' differ in records files: they are not of one run\n"

case a part records file of two runs
write twice_records.tsv @p.part002_records.tsv @p.part002_records.tsv
remove p.part002_records.tsv
symlink p.part002_records.tsv twice_records.tsv
run merge -o m --bed p.part001 p.part002 p.part003 p.part004
status 1
stderr "Velmora: result file 'p.part002_records.tsv' holds more than one run: merge takes the results of one run per part\n"

case a part records file cut short
cut p.part003_records.tsv 3
run merge -o m --bed p.part001 p.part002 p.part003 p.part004
status 1
stderr "Velmora: result file 'p.part003_records.tsv', line 4: cut short (no line end)\n"

case hand-edited records files
# A p-value that is no number, one above 1, a q-value taken out, a line of
# three columns, counts of another number of motifs.
remove p.part002_records.tsv
write p.part002_records.tsv @p.part001_records.tsv:0:146 "eve\t484\t484\t0\t0,0,0\t\t\t1.000000\tabc\t0.5\t0.5\t\t\n"
run merge -o m --bed p.part001 p.part002 p.part003 p.part004
status 1
stderr "Velmora: result file 'p.part002_records.tsv', line 2: best_window_p 'abc' is not a number above 0 and at most 1\n"
write p.part002_records.tsv @p.part001_records.tsv:0:146 "eve\t484\t484\t0\t0,0,0\t\t\t1.000000\t7\t0.5\t0.5\t\t\n"
run merge -o m --bed p.part001 p.part002 p.part003 p.part004
status 1
stderr "Velmora: result file 'p.part002_records.tsv', line 2: best_window_p '7' is not a number above 0 and at most 1\n"
write p.part002_records.tsv @p.part001_records.tsv:0:146 "eve\t484\t484\t0\t0,0,0\t\t\t1.000000\t0.333333\t\t\t\t\n"
run merge -o m --bed p.part001 p.part002 p.part003 p.part004
status 1
stderr "Velmora: result file 'p.part002_records.tsv', line 2: a best_window_p without its best_window_p_gumbel\n"
write p.part002_records.tsv @p.part001_records.tsv:0:146 "eve\t484\t484\t0\t0,0,0\t\t\t1.000000\t0.333333\t0.5\t\t\t\n"
run merge -o m --bed p.part001 p.part002 p.part003 p.part004
status 1
stderr "Velmora: result file 'p.part002_records.tsv', line 2: a best_window_p_gumbel without its best_window_q_gumbel\n"
write p.part002_records.tsv @p.part001_records.tsv:0:146 "eve\tx\t484\t0\t0,0,0\t\t\t1.000000\t0.5\t0.5\t0.5\t\t\n"
run merge -o m --bed p.part001 p.part002 p.part003 p.part004
status 1
stderr "Velmora: result file 'p.part002_records.tsv', line 2: not a records line (name, length, scanned, modules, sites, scores)\n"
write p.part002_records.tsv @p.part001_records.tsv:0:146 "eve\t484\t484\t0\t0,0,0\t\t0.5\t1.000000\t0.5\t0.5\t0.5\t\t\n"
run merge -o m --bed p.part001 p.part002 p.part003 p.part004
status 1
stderr "Velmora: result file 'p.part002_records.tsv', line 2: not a records line (name, length, scanned, modules, sites, scores)\n"
write p.part002_records.tsv @p.part001_records.tsv:0:146 "eve\t484\t484\n"
run merge -o m --bed p.part001 p.part002 p.part003 p.part004
status 1
stderr "Velmora: result file 'p.part002_records.tsv', line 2: 3 columns where a records line has 13\n"
write p.part002_records.tsv @p.part001_records.tsv:0:146 "eve\t484\t484\t0\t0,0\t\t\t1.000000\t0.333333\t0.5\t0.5\t\t\n"
run merge -o m --bed p.part001 p.part002 p.part003 p.part004
status 1
stderr "Velmora: result file 'p.part002_records.tsv', line 2: sites '0,0' is not one count per motif\n"

case a part records file without its header
write headless_records.tsv @p.part002_records.tsv:134:100000
remove p.part002_records.tsv
symlink p.part002_records.tsv headless_records.tsv
run merge -o m --bed p.part001 p.part002 p.part003 p.part004
status 1
stderr "Velmora: result file 'p.part002_records.tsv' is not a complete result file of one run\n"
