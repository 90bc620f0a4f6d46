# One background model for every record (--background): estimated from a
# FASTA file, saved by 'Velmora background' and read back, or pooled from
# the run's own records; the files it names and the files it refuses.

section shared background models
copy examples/fly_bcd_hb_Kr.pwm
random-fasta bg.fa 21 3000 5000 N40 2000
random-fasta peaks.fa 22 400 600 N300 mix 800 1 500
write small.fa ">a\nACGTAACCGGTTAGCTGATCCAGGTCATGACTTGAA\n>b\nNNNN\nGCATTACG\n"

case a saved model reads back as counts
run background -i small.fa -o s.bg
file s.bg "#Velmora background model 1\n#from\tsmall.fa\n#records\t2\n#bases\t44\nA\t12\nC\t10\nG\t11\nT\t11\nAA\t2\nAC\t4\nAG\t2\nAT\t3\nCA\t3\nCC\t2\nCG\t3\nCT\t2\nGA\t3\nGC\t2\nGG\t2\nGT\t3\nTA\t3\nTC\t2\nTG\t3\nTT\t3\n"
report-has "done: 2 records, 44 bases counted, "

case a saved model scores as the FASTA file it came from
run background -i bg.fa -o bg.model
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -x 0.05 -L 60 --bed --null 9 -o fa --background bg.fa
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -x 0.05 -L 60 --bed --null 9 -o model --background bg.model
same fa_module.txt model_module.txt
same fa_motif1.txt model_motif1.txt
same fa_motif3.txt model_motif3.txt
same fa_modules.bed model_modules.bed
same fa_sites.bed model_sites.bed
records fa
has fa_module.txt " --background bg.fa ; background: bg.fa (model 28aee611c272f09e)\n\n"
has model_records.tsv "##background: bg.model (model 28aee611c272f09e)\n#name\t"
report-has ", background bg.model (model 28aee611c272f09e) for every record, "

case a gzip-compressed model or FASTA file
run background -i bg.fa -o bg.model
gzip bg.model
gzip bg.fa
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -x 0.05 -L 60 -o fa --background bg.fa
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -x 0.05 -L 60 -o model --background bg.model
same fa_module.txt model_module.txt
same fa_motif2.txt model_motif2.txt

case pooled over one record is the record's own model
copy examples/eve_stripe2.fa
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100 --bed -o own
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -x 0.01 -L 100 --bed -o pooled --background pooled
same own_module.txt pooled_module.txt
same own_motif1.txt pooled_motif1.txt
same own_modules.bed pooled_modules.bed
same own_sites.bed pooled_sites.bed
has pooled_module.txt " --background pooled ; background: pooled (model cb965fb538e40d94)\n\n"

case nulls are drawn from the shared model and scored against it
copy examples/eve_stripe2.fa
write at.fa ">at\nTTTTTTACTTTACAGGAAATTATATAATAATTATGTATTTTAAAAAATATAATCACTATATTATAGAAATATTTAAGTATTTATAATTATGAAAAATTAATGCAGTCCATACTATTTTACATACTTTCCTCACAATTTCAAATTATTTTTATACTTATTGAGATCTTTATTTATTTTTGGATTCTTTATGTCTTTTAACTATTACAAAAAAACATGATACACATAATAGAGTTCTTAAGGCGCCGG\n"
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.pwm -L 100 -x 0.01 --null 19 --background at.fa -o at --quiet
file at_records.tsv "##background: at.fa (model f121c87daf7e680e)\n#name\tlength\tscanned\tmodules\tsites\tbest_module\tbest_module_E\tbest_window\tbest_window_p\tbest_window_p_gumbel\tbest_window_q_gumbel\tnote\tdescription\neve_stripe2\t484\t484\t1\t1,1,1\t3.765438\t0\t3.765438\t0.05\t0.0337339\t0.0337339\t\t\n"

case every thread count gives the same files
threads 1 2 3
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -x 0.05 -L 60 --bed --null 9 -o t --background bg.fa --quiet
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -x 0.05 -L 60 --summary -o p --background pooled --quiet
records t
records p

case background file errors
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background nope.fa
status 1
stderr "Velmora: cannot open background file 'nope.fa': No such file or directory\n"
write nob.fa ">a\n>b\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background nob.fa
status 1
stderr "Velmora: background file 'nob.fa' holds no A, C, G or T: no background model can be estimated from it\n"
write n.fa ">a\nNNNN\nnn\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background n.fa
status 1
stderr "Velmora: background file 'n.fa' holds no A, C, G or T: no background model can be estimated from it\n"
write few.fa ">a\nACGTACGT\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background few.fa
status 1
stderr "Velmora: background file 'few.fa' holds no AA pair: a background model for every record needs every base and every pair of bases (give it more background sequence)\n"
write nog.fa ">a\nACACAC\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background nog.fa
status 1
stderr "Velmora: background file 'nog.fa' holds no G: a background model for every record needs every base and every pair of bases (give it more background sequence)\n"
write r.fq "\n@r\nACGT\n+\nIIII\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background r.fq
status 1
stderr "Velmora: background file 'r.fq', line 2: a '@' header: this is FASTQ, not FASTA; convert it first, for example with 'seqtk seq -A in.fq > out.fa'\n"
stdin @peaks.fa
run -i - -M fly_bcd_hb_Kr.pwm -o o --background pooled
status 1
stderr "Velmora: --background pooled counts the sequence file before scanning it, and standard input cannot be read twice: save the input to a file, or make a model with 'Velmora background'\n"
run -i - -M fly_bcd_hb_Kr.pwm -o o --background -
status 1
stderr "Velmora: --background - and -i - cannot both read standard input: give one of them as a file\n"
stdin @bg.fa
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o fromstdin --background - --quiet
has fromstdin_module.txt " --background - --quiet ; background: - (model 28aee611c272f09e)\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background
status 1
stderr "Velmora: option --background needs a value\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background ""
status 1
stderr "Velmora: option --background expects a FASTA file, a model file or 'pooled', got ''\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --bg bg.fa
status 1
stderr "Velmora: unknown option --bg: did you mean --background?\n"
absent o_module.txt o_motif1.txt

case a background file that cannot be read to its end
run background -i bg.fa -o bg.model
gzip bg.model
flip bg.model 6
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background bg.model
status 1
stderr "Velmora: cannot read background file 'bg.model': corrupt gzip data (checksum mismatch)\n"
gzip bg.fa
flip bg.fa 6
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background bg.fa
status 1
stderr "Velmora: cannot read background file 'bg.fa': corrupt gzip data (checksum mismatch)\n"
absent o_module.txt

case malformed model files
write m.bg "#Velmora background model 1\nA\t1\nC\t1\nG\t1\nT\t1\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background m.bg
status 1
stderr "Velmora: background model file 'm.bg' lacks the count of AA (a model file gives A, C, G, T and AA to TT)\n"
write m.bg "#Velmora background model 1\r\n# a comment\r\n\r\nA 1\r\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background m.bg
status 1
stderr "Velmora: background model file 'm.bg', line 4: expected a base or a pair of bases (A, C, G, T, AA to TT), a tab and its count, got 'A 1'\n"
write m.bg "#Velmora background model 1\nA\tmany\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background m.bg
status 1
stderr "Velmora: background model file 'm.bg', line 2: the count of A must be a whole number from 0 to 9007199254740992, got 'many'\n"
write m.bg "#Velmora background model 1\nCG\t-1\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background m.bg
status 1
stderr "Velmora: background model file 'm.bg', line 2: the count of CG must be a whole number from 0 to 9007199254740992, got '-1'\n"
write m.bg "#Velmora background model 1\nCG\t9007199254740993\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background m.bg
status 1
stderr "Velmora: background model file 'm.bg', line 2: the count of CG must be a whole number from 0 to 9007199254740992, got '9007199254740993'\n"
write m.bg "#Velmora background model 1\nT\t4\nT\t4\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background m.bg
status 1
stderr "Velmora: background model file 'm.bg', line 3: T is given twice\n"
write m.bg "#Velmora background model 1\nA\t0\nC\t0\nG\t0\nT\t0\nAA\t0\nAC\t0\nAG\t0\nAT\t0\nCA\t0\nCC\t0\nCG\t0\nCT\t0\nGA\t0\nGC\t0\nGG\t0\nGT\t0\nTA\t0\nTC\t0\nTG\t0\nTT\t0\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --background m.bg
status 1
stderr "Velmora: background model file 'm.bg' holds no A, C, G or T: no background model can be estimated from it\n"
absent o_module.txt

case the background file is one of the result files
hardlink o_records.tsv small.fa
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --summary --background o_records.tsv --overwrite
status 1
stderr "Velmora: background file 'o_records.tsv' is also the result file 'o_records.tsv': choose another -o\n"

case records of another background are not appended to
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --summary --quiet
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o o --summary --background bg.fa
status 1
stderr "Velmora: records file 'o_records.tsv' holds records scored against each record's own background model: this run's, scored against background bg.fa (model 28aee611c272f09e), would read as of the same kind; choose another -o, or --overwrite\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o b --summary --background bg.fa --quiet
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o b --summary --background pooled
status 1
stderr "Velmora: records file 'b_records.tsv' holds records scored against background bg.fa (model 28aee611c272f09e): this run's, scored against background pooled (model a379c69ef9ad6851), would read as of the same kind; choose another -o, or --overwrite\n"
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o b --summary --background bg.fa --quiet
records b
run -i peaks.fa -M fly_bcd_hb_Kr.pwm -o b --summary --background pooled --overwrite --quiet
has b_records.tsv "##background: pooled (model a379c69ef9ad6851)\n#name\t"

case the background subcommand's own errors
run background -i small.fa -o s.bg
run background -i small.fa -o s.bg
status 1
stderr "Velmora: model file 's.bg' exists: remove it or choose another -o\n"
run background -i small.fa
status 1
stderr "Velmora: background needs -i FASTA (the genome or background sequences) and -o MODEL\n"
run background -i small.fa -o
status 1
stderr "Velmora: background: option -o needs a value\n"
run background -i small.fa -t 2 -o x.bg
status 1
stderr "Velmora: background: unknown word '-t' (background -i FASTA -o MODEL [--quiet])\n"
run background -i small.fa -o q.bg --quiet
stderr ""
no-report
run background -i nob.fa -o x.bg
status 1
stderr "Velmora: cannot open background file 'nob.fa': No such file or directory\n"
absent x.bg

section parts scored against one background model
copy examples/fly_bcd_hb_Kr.jaspar
random-fasta g.fa 5 3000 0 12000 1 800 5000
random-fasta bg.fa 21 3000 5000 N40 2000
run split -i g.fa -o g --part-bases 6000
run background -i bg.fa -o bg.model
run -i g.part001.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed --null 9 -o g.part001 --background bg.fa
run -i g.part002.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed --null 9 -o g.part002 --background bg.model
run -i g.part003.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed --null 9 -o g.part003 --background bg.fa -t 3

case merged parts are one run, whichever form of the model each read
run -i g.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed --null 9 -o whole --background bg.model
run merge -o m --bed g.part001 g.part002 g.part003
stderr ""
same m_module.txt whole_module.txt
same m_motif1.txt whole_motif1.txt
same m_modules.bed whole_modules.bed
same m_sites.bed whole_sites.bed
has m_module.txt "; parts scanned with: -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed --null 9 ; background: bg.fa (model 28aee611c272f09e)\n"
has m_records.tsv "##background: bg.fa (model 28aee611c272f09e)\n#name\t"

case parts scored against different background models
run -i g.part002.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed --null 9 -o pooled --background pooled
run merge -o m --bed g.part001 pooled g.part003
status 1
stderr "Velmora: parts 'g.part001' and 'pooled' were scored against different background models (bg.fa (model 28aee611c272f09e); pooled (model a46a1b0676582aa9)): they are not of one run\n"
run -i g.part002.fa -M fly_bcd_hb_Kr.jaspar -x 0.05 -L 60 --bed --null 9 -o own
run merge -o m --bed g.part001 own g.part003
status 1
stderr "Velmora: parts 'g.part001' and 'own' were scored against different background models (bg.fa (model 28aee611c272f09e); each record's own): they are not of one run\n"
absent m_module.txt
