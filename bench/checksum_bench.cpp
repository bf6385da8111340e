// Whole-file checksum, and the pair comparison's one pass (both checksums and
// the byte comparison) over two identical 1 GiB files (warm cache).
// Usage: bench_checksum [data folder]   (default /work/benchdata)
#include "platform/checksum.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace quillon;

namespace {

double seconds(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool writeRandomFile(const std::string& path, size_t bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::mt19937_64 random(42);
    std::vector<uint64_t> block(1 << 17);
    for (size_t done = 0; done < bytes; done += block.size() * 8) {
        for (uint64_t& v : block) v = random();
        std::fwrite(block.data(), 8, block.size(), f);
    }
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "/work/benchdata";
    ::mkdir(folder.c_str(), 0755);
    const std::string a = folder + "/crc_a.bin";
    const std::string b = folder + "/crc_b.bin";
    constexpr size_t kBytes = size_t{1} << 30;
    if (!writeRandomFile(a, kBytes) || !writeRandomFile(b, kBytes)) {
        std::fprintf(stderr, "cannot write test files in %s\n", folder.c_str());
        return 1;
    }
    FileChecksum(a); // warm the cache
    FileChecksum(b);
    const double mb = static_cast<double>(kBytes) / 1e6;
    for (int run = 0; run < 3; ++run) {
        auto start = std::chrono::steady_clock::now();
        const uint32_t sum = FileChecksum(a);
        const double crcTime = seconds(start);
        start = std::chrono::steady_clock::now();
        const PairChecksums pair = ChecksumPair(a, b);
        const double cmpTime = seconds(start);
        std::printf("run %d: FileChecksum %.3f s (%.0f MB/s, %08X); ChecksumPair of two copies "
                    "%.3f s (%.0f MB/s each, %08X %08X %s)\n",
                    run + 1, crcTime, mb / crcTime, sum, cmpTime, mb / cmpTime, pair.first,
                    pair.second, pair.same ? "same" : "differ");
    }
    ::unlink(a.c_str());
    ::unlink(b.c_str());
    return 0;
}
