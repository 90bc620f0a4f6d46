// A picture of a run's modules for a browser: each record with modules as a
// line, its modules as boxes with their scores, and each site as a mark in
// its motif's colour, above the line on the forward strand and below it on
// the reverse; a legend names the motifs. One self-contained SVG file.
#pragma once

#include <string>
#include <vector>

#include "scanner/results/Results.h"

class CSvgPicture {
public:
    // The records drawn at most; later records with modules are counted.
    static constexpr int kMostRecords = 50;

    // labels: the motifs' names, in matrix order; widths: their widths.
    CSvgPicture(std::vector<std::string> labels, std::vector<int> widths);

    // A record, in input order; one without modules is not drawn.
    void Add(const RECORDRESULT& record);
    // The whole picture.
    std::string Text() const;
    // Records with modules beyond the first kMostRecords.
    long long Left() const { return m_left; }

private:
    struct DRAWN {
        std::string name;
        int length = 0;
        int window = 0;
        std::vector<MODULEINFO> modules;
        std::vector<std::string> p;  // each module's p-value label (" p 0.01"), "" without null scores
    };
    std::vector<std::string> m_labels;
    std::vector<int> m_widths;
    std::vector<DRAWN> m_records;
    long long m_left = 0;
    bool m_withP = false;  // some module has a p-value
};
