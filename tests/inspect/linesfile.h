#pragma once
// Test files of many lines for the line index and the viewer.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace quillon::test {

// A file of many lines of varied length (some empty, one much longer than a
// checkpoint stretch) and the true start of every line.
struct LinesFile {
    std::string contents;
    std::vector<int64_t> starts;
};

inline LinesFile makeLines(size_t lines, unsigned seed, bool finalNewline = true) {
    LinesFile file;
    std::mt19937 random(seed);
    for (size_t i = 0; i < lines; ++i) {
        file.starts.push_back(static_cast<int64_t>(file.contents.size()));
        size_t length = random() % 120;
        if (i == lines / 3) length = 200'000; // one line longer than 64 KiB
        if (i % 17 == 0) length = 0;
        for (size_t k = 0; k < length; ++k) file.contents += static_cast<char>('a' + (i + k) % 26);
        if (i + 1 < lines || finalNewline) file.contents += '\n';
    }
    return file;
}

} // namespace quillon::test
