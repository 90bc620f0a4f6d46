// Fixture for the matrix-file readers: writes a matrix file into a fresh
// directory and reads it through ReadMatrixFile.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "scanner/MatrixReader.h"

class MatrixFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-matrix-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Reads content as a matrix file holding K matrices.
    bool Read(const std::string& content, int K = 1)
    {
        path = (dir / "m.txt").string();
        std::ofstream(path, std::ios::binary) << content;
        return ReadPath(path, K);
    }
    bool ReadPath(const std::string& file, int K)
    {
        set = MATRIXSET();
        error.clear();
        return ReadMatrixFile(file, K, &set, &error);
    }

    std::filesystem::path dir;
    std::string path;
    MATRIXSET set;
    std::string error;
};
