// Protected folder questions against a list of 20,000 folders, every question
// about a different folder (so the last-query memory never answers).
#include "platform/paths.h"
#include "platform/software.h"
#include "shell/protected.h"
#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>

namespace {

struct World {
    QTemporaryDir dir;
    World() {
        const std::string root = dir.path().toStdString();
        setenv("XDG_CONFIG_HOME", root.c_str(), 1);
        std::string text;
        for (int i = 0; i < 20000; ++i) text += "/srv/pkg" + std::to_string(i) + "/share/\r\n";
        quillon::WriteFileAtomically(root + "/quillon/folders.txt", text);
        quillon::ProtectedFolderList::Instance().GetSearchPath();
    }
};

World& world() {
    static World w;
    return w;
}

void FileQuestions(benchmark::State& state) {
    auto& list = quillon::ProtectedFolderList::Instance();
    world();
    int i = 0, reason = 0;
    for (auto _ : state) {
        const std::string path = "/srv/pkg" + std::to_string(i++ % 40000) + "/share/file.txt";
        benchmark::DoNotOptimize(list.IsProtectedFolder(path, true, reason));
    }
}
BENCHMARK(FileQuestions);

void FolderQuestions(benchmark::State& state) {
    auto& list = quillon::ProtectedFolderList::Instance();
    world();
    int i = 0, reason = 0;
    for (auto _ : state) {
        const std::string path = "/srv/pkg" + std::to_string(i++ % 40000);
        benchmark::DoNotOptimize(list.IsProtectedFolder(path, false, reason));
    }
}
BENCHMARK(FolderQuestions);

// Reading and normalising: GetSearchPath hands the normalisation to a worker
// thread, lb1() waits for it.
void RebuildLists(benchmark::State& state) {
    world();
    auto& list = quillon::ProtectedFolderList::Instance();
    for (auto _ : state) {
        list.GetSearchPath();
        benchmark::DoNotOptimize(list.lb1().size());
    }
}
BENCHMARK(RebuildLists)->Unit(benchmark::kMillisecond)->UseRealTime();

// The non-delete list build on this machine's real package database.
void SoftwareReferenceWalk(benchmark::State& state) {
    size_t found = 0;
    for (auto _ : state) {
        found = 0;
        quillon::WalkSoftwareReferences([&](const std::string&) { return ++found, true; });
    }
    state.counters["folders"] = static_cast<double>(found);
}
BENCHMARK(SoftwareReferenceWalk)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
