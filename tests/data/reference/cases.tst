# Exported verdicts of the independent Python reading of the scan rules
# (reference.py, driven by compare.py), which the git history keeps under
# tests/reference/. Each case is one of compare.py's hand-picked cases or one
# of its random cases for seed 1; the expected files are what reference.py
# wrote, and the built tool produced the same bytes when they were exported.

section reference
threads 1 3 8

case reference/01-tiny-sequences
copy reference/01-tiny-sequences/pwm.txt reference/01-tiny-sequences/seq.fa
run -i seq.fa -M pwm.txt -K 2 -L 10 -x 0.3 -o tiny
expect reference/01-tiny-sequences/*

case reference/02-module-longer-than-records
copy reference/02-module-longer-than-records/pwm.txt reference/02-module-longer-than-records/seq.fa
run -i seq.fa -M pwm.txt -K 2 -L 300 -x 0.2 -o long
expect reference/02-module-longer-than-records/*

case reference/03-motifs-wider-than-records
copy reference/03-motifs-wider-than-records/pwm.txt reference/03-motifs-wider-than-records/seq.fa
run -i seq.fa -M pwm.txt -K 2 -L 10 -x 0.25 -o wide
expect reference/03-motifs-wider-than-records/*

case reference/04-n-only-records
copy reference/04-n-only-records/pwm.txt reference/04-n-only-records/seq.fa
run -i seq.fa -M pwm.txt -K 1 -L 40 -x 0.1 -o n
expect reference/04-n-only-records/*

case reference/05-strong-sites-both-strands
copy reference/05-strong-sites-both-strands/pwm.txt reference/05-strong-sites-both-strands/seq.fa
run -i seq.fa -M pwm.txt -K 3 -L 60 -x 0.01 -o strong
expect reference/05-strong-sites-both-strands/*

case reference/06-strong-sites-forward-only
copy reference/06-strong-sites-forward-only/pwm.txt reference/06-strong-sites-forward-only/seq.fa
run -i seq.fa -M pwm.txt -K 3 -L 60 -x 0.01 -o strong -r 0
expect reference/06-strong-sites-forward-only/*

case reference/07-empty-one-letter-crlf-records
copy reference/07-empty-one-letter-crlf-records/pwm.txt reference/07-empty-one-letter-crlf-records/seq.fa
run -i seq.fa -M pwm.txt -K 1 -L 10 -x 0.3 -o odd
expect reference/07-empty-one-letter-crlf-records/*

case reference/08-three-runs-append
copy reference/08-three-runs-append/pwm.txt reference/08-three-runs-append/seq.fa
run -i seq.fa -M pwm.txt -K 2 -L 50 -o same -x 0.05
run -i seq.fa -M pwm.txt -K 2 -L 50 -o same -x 0.2 -r 0
run -x 0.5 -i seq.fa -M pwm.txt -K 2 -L 50 -o same
expect reference/08-three-runs-append/*

case reference/09-ambiguity-letters
copy reference/09-ambiguity-letters/pwm.txt reference/09-ambiguity-letters/seq.fa
run -i seq.fa -M pwm.txt -K 2 -L 30 -x 0.3 -o amb
expect reference/09-ambiguity-letters/*

case reference/10-all-defaults
copy reference/10-all-defaults/pwm.txt reference/10-all-defaults/seq.fa
run -i seq.fa -M pwm.txt
expect reference/10-all-defaults/*

case reference/11-matrix-widths-crlf-rows
copy reference/11-matrix-widths-crlf-rows/pwm.txt reference/11-matrix-widths-crlf-rows/seq.fa
run -K 4 -r 1 -M pwm.txt -L 25 -x 1e-1 -i seq.fa
expect reference/11-matrix-widths-crlf-rows/*

case reference/12-palindromes-strand-ties
copy reference/12-palindromes-strand-ties/pwm.txt reference/12-palindromes-strand-ties/seq.fa
run -i seq.fa -M pwm.txt -K 4 -L 20 -x 0.1 -o pal
expect reference/12-palindromes-strand-ties/*

case reference/13-empty-fasta
copy reference/13-empty-fasta/pwm.txt reference/13-empty-fasta/seq.fa
run -i seq.fa -M pwm.txt -K 2 -L 30 -x 0.1 -o e
expect reference/13-empty-fasta/*

case reference/14-header-at-eof
copy reference/14-header-at-eof/pwm.txt reference/14-header-at-eof/seq.fa
run -i seq.fa -M pwm.txt -K 1 -L 40 -x 0.1 -o eof
expect reference/14-header-at-eof/*

case reference/15-strands-00-crlf
copy reference/15-strands-00-crlf/pwm.txt reference/15-strands-00-crlf/seq.fa
run -r 00 -M pwm.txt -x 0.008287 -K 3 -L 168 -i seq.fa -o res.txt
expect reference/15-strands-00-crlf/*

case reference/16-strands-00-default-k-short-window
copy reference/16-strands-00-default-k-short-window/pwm.txt reference/16-strands-00-default-k-short-window/seq.fa
run -L 18 -i seq.fa -o res.txt -M pwm.txt -r 00 -x 5.05e-01
expect reference/16-strands-00-default-k-short-window/*

case reference/17-strands-00-default-base-name
copy reference/17-strands-00-default-base-name/pwm.txt reference/17-strands-00-default-base-name/seq.fa
run -L 31 -i seq.fa -K 4 -x 6.05e-01 -M pwm.txt -r 00
expect reference/17-strands-00-default-base-name/*

case reference/18-strands-2-crlf-default-names
copy reference/18-strands-2-crlf-default-names/pwm.txt reference/18-strands-2-crlf-default-names/seq.fa
run -x 9.01e-02 -i seq.fa -L 265 -r 2 -M pwm.txt
expect reference/18-strands-2-crlf-default-names/*

case reference/19-strands-2-n-runs-ambiguity
copy reference/19-strands-2-n-runs-ambiguity/pwm.txt reference/19-strands-2-n-runs-ambiguity/seq.fa
run -r 2 -x 0.003637 -o res.txt -i seq.fa -L 55 -M pwm.txt -K 2
expect reference/19-strands-2-n-runs-ambiguity/*

case reference/20-default-rate-and-strands
copy reference/20-default-rate-and-strands/pwm.txt reference/20-default-rate-and-strands/seq.fa
run -L 197 -M pwm.txt -K 4 -o a_b -i seq.fa
expect reference/20-default-rate-and-strands/*

case reference/21-default-length-empty-record
copy reference/21-default-length-empty-record/pwm.txt reference/21-default-length-empty-record/seq.fa
run -x 0.05505 -i seq.fa -M pwm.txt -r 1 -K 4 -o out
expect reference/21-default-length-empty-record/*

case reference/22-long-header-with-module
copy reference/22-long-header-with-module/pwm.txt reference/22-long-header-with-module/seq.fa
run -L 224 -r 1 -x 0.117535 -K 3 -o out -i seq.fa -M pwm.txt
expect reference/22-long-header-with-module/*

case reference/23-long-sequence-line
copy reference/23-long-sequence-line/pwm.txt reference/23-long-sequence-line/seq.fa
run -i seq.fa -M pwm.txt -L 150 -K 1 -x 0.2616 -o res.txt -r 1
expect reference/23-long-sequence-line/*

case reference/24-name-bytes-above-127
copy reference/24-name-bytes-above-127/pwm.txt reference/24-name-bytes-above-127/seq.fa
run -i seq.fa -M pwm.txt -o a_b -r 2 -K 4 -x 0.01089
expect reference/24-name-bytes-above-127/*

case reference/25-matrix-number-forms
copy reference/25-matrix-number-forms/pwm.txt reference/25-matrix-number-forms/seq.fa
run -r 1 -x 0.065441 -o out -i seq.fa -M pwm.txt -K 2 -L 256
expect reference/25-matrix-number-forms/*

case reference/26-matrix-forms-comments
copy reference/26-matrix-forms-comments/pwm.txt reference/26-matrix-forms-comments/seq.fa
run -i seq.fa -x 0.007196 -K 4 -o out -M pwm.txt -L 224
expect reference/26-matrix-forms-comments/*

case reference/27-matrix-fifth-number-leading-line
copy reference/27-matrix-fifth-number-leading-line/pwm.txt reference/27-matrix-fifth-number-leading-line/seq.fa
run -x 0.002128 -r 1 -L 88 -M pwm.txt -K 3 -i seq.fa
expect reference/27-matrix-fifth-number-leading-line/*

case reference/28-forward-only-short-records
copy reference/28-forward-only-short-records/pwm.txt reference/28-forward-only-short-records/seq.fa
run -L 26 -M pwm.txt -i seq.fa -o res.txt -r 0 -K 2 -x 4.33e-02
expect reference/28-forward-only-short-records/*

case reference/29-forward-only-matrix-without-eol
copy reference/29-forward-only-matrix-without-eol/pwm.txt reference/29-forward-only-matrix-without-eol/seq.fa
run -L 197 -M pwm.txt -x 5.07e-03 -K 3 -i seq.fa -r 0 -o res.txt
expect reference/29-forward-only-matrix-without-eol/*

case reference/30-many-sites-crlf-percent-names
copy reference/30-many-sites-crlf-percent-names/pwm.txt reference/30-many-sites-crlf-percent-names/seq.fa
run -x 7.88e-04 -L 74 -K 2 -M pwm.txt -i seq.fa -r 1
expect reference/30-many-sites-crlf-percent-names/*
