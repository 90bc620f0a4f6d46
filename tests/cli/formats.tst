# Whole runs on the TRANSFAC and simple '>name' forms of the example
# matrices: each must find exactly what the own-format file finds. Their
# messages are rows of tests/unit/Readers_test.cpp.

section matrix formats
copy examples/eve_stripe2.fa formats/fly_bcd_hb_Kr.transfac formats/fly_bcd_hb_Kr.simple

case TRANSFAC matrices
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.transfac -x 0.01 -L 100 -o eve
stderr ""
expect-but-echo expected/eve_modules/*

case simple matrices
run -i eve_stripe2.fa -M fly_bcd_hb_Kr.simple -x 0.01 -L 100 -o eve
stderr ""
expect-but-echo expected/eve_modules/*

case TRANSFAC record without rows
write m.txt @fly_bcd_hb_Kr.transfac "AC MA9\nID x\nPO\tA\tC\tG\tT\nXX\n//\n"
run -i eve_stripe2.fa -M m.txt -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 75: the record at line 71 ends without matrix rows\n"

case TRANSFAC columns named in another order
write m.txt "AC MA0212.1\nP0 T G C A\n01 22.0 0.0 0.0 0.0\n02 2.0 0.0 0.0 20.0\n03 0.0 0.0 0.0 22.0\n04 21.0 1.0 0.0 0.0\n05 0.0 0.0 22.0 0.0\n06 1.0 0.0 21.0 0.0\n//\nAC MA0049.1\nP0 g a t c\n01 8.0 1.0 2.0 5.0\n02 2.0 6.0 0.0 8.0\n03 4.0 9.0 0.0 3.0\n04 1.0 4.0 8.0 3.0\n05 0.0 13.0 2.0 1.0\n06 0.0 16.0 0.0 0.0\n07 0.0 16.0 0.0 0.0\n08 2.0 14.0 0.0 0.0\n09 0.0 15.0 0.0 1.0\n10 2.0 9.0 3.0 2.0\n//\nAC MA0452.3\nP0 C A T G\n01 386.0 151.0 686.0 73.0\n02 0.0 1248.0 48.0 0.0\n03 216.0 1080.0 0.0 0.0\n04 1170.0 11.0 115.0 0.0\n05 1177.0 0.0 119.0 0.0\n06 1296.0 0.0 0.0 0.0\n07 202.0 0.0 1094.0 0.0\n08 0.0 0.0 1296.0 0.0\n09 113.0 0.0 1183.0 0.0\n//\n"
run -i eve_stripe2.fa -M m.txt -x 0.01 -L 100 -o eve
stderr ""
expect-but-echo expected/eve_modules/*

case TRANSFAC P0 line naming a column twice
write m.txt "AC MA1\nP0 A C G A\n01 1 1 1 1\n//\n"
run -i eve_stripe2.fa -M m.txt -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 2: the P0 line names the columns 'A C G A'; it must name A, C, G and T, each once, in any order\n"

case simple row whose first number is not one
write m.txt ">bcd\n0 0 0 22\n>hb\nnan 5 8 2\n"
run -i eve_stripe2.fa -M m.txt -o out
status 1
stderr "Velmora: matrix file 'm.txt', line 4: row 1, column 1 (A): 'nan' is not a finite number\n"
