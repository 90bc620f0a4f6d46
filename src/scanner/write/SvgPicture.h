// A picture of a run's modules for a browser: each record with modules as a
// line in the BED files' coordinates, with a position axis under it, its
// modules as boxes with their scores, and each site as a mark in its
// motif's colour, above the line on the chromosome's forward strand and
// below it on the reverse; a legend names the motifs. Known regions from a
// BED file of the user's can be drawn as a track under each record. One
// self-contained SVG file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "scanner/results/Results.h"
#include "scanner/write/BedName.h"

// A stretch of a chromosome as the BED files name it: chrom, start
// (0-based) and end (exclusive).
struct BEDREGION {
    std::string chrom;
    long long start = 0;
    long long end = 0;
    std::string name;  // column 4 of a BED line, "" without
};

// --svg-region NAME:START-END, START below END, both whole numbers; NAME may
// hold colons (the last one counts). False when the text is not of that form.
bool ParseRegion(std::string_view text, BEDREGION* region);

// The regions of a BED file (3 columns at least; lines of '#', "track" and
// "browser" and blank lines skipped). False with *error naming the file and
// the line of the first malformed line, or why the file cannot be read.
bool ReadBedRegions(const std::string& path, std::vector<BEDREGION>* regions, std::string* error);

class CSvgPicture {
public:
    // The records drawn at most; later records with modules are counted.
    static constexpr int kMostRecords = 50;

    // labels: the motifs' names, in matrix order; widths: their widths;
    // oneBased: as --one-based reads headers.
    CSvgPicture(std::vector<std::string> labels, std::vector<int> widths, bool oneBased);

    // Draw only this stretch (--svg-region): the records of its name that
    // overlap it, cut to it, with or without modules there.
    void SetRegion(BEDREGION region);
    // Regions to draw as a track under the records they overlap (--svg-bed).
    void SetKnown(std::vector<BEDREGION> known, std::string label);

    // A record, in input order; one without modules is not drawn (nor one
    // outside the region, with SetRegion).
    void Add(const RECORDRESULT& record);
    // The whole picture.
    std::string Text() const;
    // Records with modules beyond the first kMostRecords.
    long long Left() const { return m_left; }

private:
    struct DRAWN {
        std::string name;
        int length = 0;
        BEDNAME bed;         // where the record lies, as the BED files place it
        long long from = 0;  // the stretch drawn, in the BED files' coordinates
        long long to = 0;    // (exclusive)
        long long window = 0;
        std::vector<MODULEINFO> modules;  // those in the stretch
        std::vector<std::string> p;       // each module's p-value label (", p 0.01, E 0.2"), "" without null scores
        std::vector<std::size_t> known;   // of m_known, those overlapping the stretch
    };
    // The stretch of a record drawn, from and to in the BED files'
    // coordinates, as a line `line` pixels long from the left edge.
    struct STRETCH {
        long long from = 0;
        long long to = 0;
        double line = 0;
        double scale = 0;  // pixels a base

        double At(long long pos) const;
        // A stretch of the chromosome as a left edge and a width, cut to
        // the stretch drawn and widened to be seen.
        void Box(long long start, long long end, double* x, double* w) const;
    };
    // One record's part of the picture, from its top at y, in a picture
    // `width` wide; returns its height.
    double DrawRecord(const DRAWN& record, double y, double width, std::string* svg) const;
    // Its modules with their sites and score labels above them, from top;
    // *y gets the height of the record's line.
    std::string DrawModules(const DRAWN& record, const STRETCH& stretch, double top, double width, double* y) const;
    // A module's sites on either side of the record's line at y.
    std::string DrawSites(const DRAWN& record, const MODULEINFO& module, const STRETCH& stretch, double y) const;
    // The user's known regions as a track from top; *bottom gets its end.
    std::string DrawKnown(const DRAWN& record, const STRETCH& stretch, double top, double width, double* bottom) const;

    std::vector<std::string> m_labels;
    std::vector<int> m_widths;
    bool m_oneBased = false;
    bool m_regionSet = false;
    BEDREGION m_region;
    std::vector<BEDREGION> m_known;
    std::string m_knownLabel;
    std::vector<DRAWN> m_records;
    long long m_seen = 0;  // records the run handed in
    long long m_left = 0;
    bool m_withP = false;  // some module has a p-value
};
