// libFuzzer target for the non-delete list (folders.txt): the input is the
// whole file. It is read as the window and the protected folder list read it,
// written back sorted without regard to case with CR LF line ends, and read
// again; every folder read must then count as protected.
#include "fuzz_files.h"
#include "platform/textcase.h"
#include "shell/protected.h"
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace quillon;

namespace {

std::string g_file;

// The sort's order holds between every two entries, not just neighbours (a
// comparison that is no strict weak order can leave a list unsorted).
void CheckSorted(const std::vector<std::string>& sorted) {
    const size_t n = std::min<size_t>(sorted.size(), 48);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j) FUZZ_CHECK(!FoldedThenBytesLess(sorted[j], sorted[i]));
    for (size_t i = 1; i < sorted.size(); ++i) FUZZ_CHECK(!FoldedThenBytesLess(sorted[i], sorted[i - 1]));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::ScratchConfigHome("folderlist");
    g_file = ProtectedFolderList::ListFile();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::WriteInput(g_file, {reinterpret_cast<const char*>(data), size});

    bool found = false;
    const std::vector<std::string> folders = ReadFolderListFile(g_file, found);
    FUZZ_CHECK(found);
    for (const std::string& folder : folders) {
        FUZZ_CHECK(!folder.empty());
        FUZZ_CHECK(folder.find('\n') == std::string::npos);
        FUZZ_CHECK(folder.back() != '\r');
    }

    std::vector<std::string> sorted = folders;
    SortFolderTexts(sorted);
    CheckSorted(sorted);

    // Written back and read again: the same folders, sorted, CR LF ended.
    FUZZ_CHECK(WriteFolderListFile(g_file, folders));
    const std::vector<std::string> again = ReadFolderListFile(g_file, found);
    FUZZ_CHECK(found == !folders.empty());
    FUZZ_CHECK(again == sorted);
    if (found) {
        std::string text;
        for (const std::string& folder : sorted) text += folder + "\r\n";
        FUZZ_CHECK(fuzzsupport::ReadBack(g_file) == text);
    }

    // The protected folder list built from it holds every folder it names.
    if (size <= 4096 && folders.size() <= 64) {
        ProtectedFolderList list;
        list.GetSearchPath();
        FUZZ_CHECK(list.listFileMissing() == folders.empty());
        FUZZ_CHECK(std::is_sorted(list.lb1().begin(), list.lb1().end()));
        for (const std::string& folder : folders) {
            int reason = -1;
            FUZZ_CHECK(list.IsProtectedFolder(folder, false, reason));
            FUZZ_CHECK(reason >= 1 && reason <= 3);
        }
    }
    return 0;
}
