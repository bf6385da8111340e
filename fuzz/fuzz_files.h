#pragma once
// What the fuzz targets share: a scratch folder of their own (in /dev/shm, a
// memory file system, when there is one, so that per-input files cost little),
// writing an input there, and a check that stops the run with a message.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace fuzzsupport {

// Stops the run: libFuzzer reports the input as a crash.
#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (false)

// A fresh folder for this process, removed at exit.
inline std::filesystem::path ScratchFolder(const char* name) {
    namespace fs = std::filesystem;
    const fs::path parent = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path folder = parent / (std::string("quillon-fuzz-") + name + "-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    static fs::path made;
    made = folder;
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(made, ignored);
    });
    return folder;
}

// $XDG_CONFIG_HOME pointed at a scratch folder; the program's own folder in it
// ($XDG_CONFIG_HOME/quillon) made.
inline std::filesystem::path ScratchConfigHome(const char* name) {
    const std::filesystem::path home = ScratchFolder(name);
    ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    std::filesystem::create_directories(home / "quillon");
    return home;
}

inline void WriteInput(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    FUZZ_CHECK(out.good());
}

inline std::string ReadBack(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace fuzzsupport
