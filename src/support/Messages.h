// One-line diagnostics on standard error, all starting with "Velmora: ".
#pragma once

#include <string>

// Prints "Velmora: <text>" and a line feed on standard error.
void ReportError(const std::string& text);
// Prints "Velmora: warning: <text>" unless warnings are switched off.
void ReportWarning(const std::string& text);
// Switches warnings (and any other chatter on standard error) off or on.
void SetQuiet(bool quiet);
