// Locating and reading the PNG suite images that the tests and benchmarks use.
#pragma once

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace PngTest {

#ifdef ORVALT_SOURCE_DIR
inline std::string suiteDir() { return std::string(ORVALT_SOURCE_DIR) + "/../shared/testdata/pngsuite"; }
#endif

// The whole file; empty when it cannot be read.
inline std::vector<unsigned char> readWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

struct SuiteEntry {
    std::string file;
    std::string width, height, reference, sha256;
};

// The rows of expected.tsv (header row skipped).
inline std::vector<SuiteEntry> readSuiteTable(const std::string& dir) {
    std::ifstream table(dir + "/expected.tsv");
    std::vector<SuiteEntry> rows;
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream fields(line);
        SuiteEntry e;
        std::getline(fields, e.file, '\t');
        std::getline(fields, e.width, '\t');
        std::getline(fields, e.height, '\t');
        std::getline(fields, e.reference, '\t');
        std::getline(fields, e.sha256, '\t');
        if (!e.file.empty()) rows.push_back(e);
    }
    return rows;
}

// The concatenated IDAT payload (the zlib stream) of a PNG file.
inline std::vector<unsigned char> idatStream(const std::vector<unsigned char>& png) {
    std::vector<unsigned char> z;
    for (size_t pos = 33; pos + 12 <= png.size();) {
        const size_t len = size_t(png[pos]) << 24 | size_t(png[pos + 1]) << 16 | size_t(png[pos + 2]) << 8 | png[pos + 3];
        if (pos + 12 + len > png.size()) break;
        if (std::string(png.begin() + pos + 4, png.begin() + pos + 8) == "IDAT")
            z.insert(z.end(), png.begin() + pos + 8, png.begin() + pos + 8 + len);
        pos += 12 + len;
    }
    return z;
}

}  // namespace PngTest
