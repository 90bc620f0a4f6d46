// Progress indicator for long runs: one line on standard error, rewritten in
// place, shown only when standard error is a terminal and not switched off.
#pragma once

// Starts counting; `enabled` is false with --quiet.
void ProgressStart(bool enabled);
// `bases` more bases of the current record have been scanned.
void ProgressBases(long long bases);
// One more record is done.
void ProgressRecordDone();
// Clears the line at the end of the run.
void ProgressFinish();
