#include "support/Progress.h"

void ProgressStart(bool) {}
void ProgressBases(long long) {}
void ProgressRecordDone() {}
void ProgressFinish() {}
