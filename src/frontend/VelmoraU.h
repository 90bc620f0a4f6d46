// Command-line front end: run parameters, option parsing, validation, usage
// text, and the run itself.
#pragma once

#include <optional>
#include <string>

#include "support/MyString.h"

struct INPUTPARAMETER {
    CString cmdLine;                 // banner plus every command-line word
    unsigned char bothStrands = 1;   // -r
    CString seqFile;                 // -i
    CString outFile;                 // -o
    CString pwmFile;                 // -M
    int motifNum = 3;                // -K
    int minWidth = 10;               // bounds of the motif width, checked only
    int maxWidth = 14;
    int moduleLength = 200;          // -L
    double moduleRate = 0.0005;      // -x
    bool showHelp = false;           // -h, --help
    bool showVersion = false;        // --version
    bool bedOutput = false;          // --bed: BED files of modules and sites too
    bool quiet = false;              // --quiet: no warnings, no progress line
};

void SetDefaultParam(INPUTPARAMETER* param);

// Builds cmdLine and applies the options. Every word is examined, values
// included, and a later occurrence of an option wins. Single-letter options
// look at the second character only; long options (--help, --version,
// --bed, --quiet) begin with two dashes and must be spelt out whole. The
// word "-" alone is no option: it is a value (-i - reads standard input).
// Unknown options are ignored with a warning, printed once every word is
// read, unless --quiet is among them. Returns false when a word cannot be
// read (an option without its value, a malformed number); *error then
// holds the one-line message for the first such word.
bool ParseInputParam(INPUTPARAMETER* param, int argc, char** argv, std::string* error);

// A parameter that stops the run before anything is read or written.
struct ParamProblem {
    std::string text;
    bool classic = false;  // one of the three classic checks: printed on standard output
};
// The first failing check, in order: width range, number of factors, module
// length, then file options, module rate and background weight.
std::optional<ParamProblem> ValidateParam(const INPUTPARAMETER& param);

void PrintReadme();

// Runs the scanner with the given parameters; returns the exit status.
int RunVelmora(INPUTPARAMETER* param);

// The whole program: returns the exit status (0 success, 1 any error).
int VelmoraMain(int argc, char** argv);
