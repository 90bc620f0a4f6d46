// Command-line front end: run parameters, option parsing, validation, usage
// text, and the run itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "scanner/run/GibbsDP.h"

class CConsole;

// The run's settings (RUNSETTINGS, with their defaults) and what only the
// front end needs.
struct INPUTPARAMETER : RUNSETTINGS {
    int minWidth = 10;  // bounds of the motif width, checked only
    int maxWidth = 14;
    bool showHelp = false;              // -h, --help
    bool showVersion = false;           // --version
    bool quiet = false;                 // --quiet: no warnings, no progress line
    std::vector<std::string> warnings;  // unknown options, for the caller to print
};

void SetDefaultParam(INPUTPARAMETER* param);

// Builds cmdLine (every word, each followed by one blank) and applies the
// options. Every word is examined, values
// included, and a later occurrence of an option wins. Single-letter options
// look at the second character only; long options (--help, --version,
// --bed, --quiet, and --threads, which takes its value as -t does) begin
// with two dashes and must be spelt out whole. The
// word "-" alone is no option: it is a value (-i - reads standard input).
// Unknown one-letter options are ignored, each adding a warning to
// param->warnings; an unknown long option is an error that suggests the
// nearest real one. Returns false when a word cannot be read (an unknown
// long option, an option without its value, a malformed number); *error
// then holds the one-line message for the first such word.
bool ParseInputParam(INPUTPARAMETER* param, int argc, char** argv, std::string* error);

// A parameter that stops the run before anything is read or written.
struct ParamProblem {
    std::string text;
    bool classic = false;  // one of the three classic checks: printed on standard output
    std::string rule;      // for a classic check: the rule and the value, for standard error
};
// The first failing check, in order: width range, number of factors, module
// length, then file options, module rate and background weight.
std::optional<ParamProblem> ValidateParam(const INPUTPARAMETER& param);

// The usage text of a start without arguments, as it has always been.
void PrintReadme();
// The full help of -h and --help: every option with its default, the input
// forms, the result files, an example.
void PrintHelp();

// Runs the scanner with the given parameters; returns the exit status.
int RunVelmora(const INPUTPARAMETER& param, CConsole& console);

// The whole program: returns the exit status (0 success, 1 any error).
int VelmoraMain(int argc, char** argv);
