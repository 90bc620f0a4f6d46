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
