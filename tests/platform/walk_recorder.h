#pragma once
// Writes down what a walk hands over, in order, for the walk's tests.
#include "platform/parallelwalk.h"
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace quillon::test {

enum class Kind { Enter, FilesOf, File };

struct Event {
    Kind kind;
    std::string folder;
    std::string name; // files only
};

using FileSet = std::set<std::pair<std::string, std::string>>; // (folder, name)

// Writes down every call in order; `stopWhen` decides what aborted() answers.
class Recorder : public quillon::WalkVisitor {
public:
    std::vector<Event> events;
    std::map<std::string, int64_t> sizes; // full path -> reported size
    std::function<bool(const Recorder&)> stopWhen;
    std::function<void(const std::string&, std::string_view)> onFile;

    bool aborted() override { return stopWhen && stopWhen(*this); }
    void enterFolder(const std::string& folder) override {
        events.push_back({Kind::Enter, folder, {}});
    }
    void filesOf(const std::string& folder) override {
        events.push_back({Kind::FilesOf, folder, {}});
    }
    void file(const std::string& folder, std::string_view name, const quillon::FileFacts& facts) override {
        events.push_back({Kind::File, folder, std::string(name)});
        sizes[folder + "/" + std::string(name)] = facts.size;
        if (onFile) onFile(folder, name);
    }

    std::vector<std::string> folders(Kind kind) const {
        std::vector<std::string> out;
        for (const Event& e : events)
            if (e.kind == kind) out.push_back(e.folder);
        return out;
    }
    std::set<std::string> folderSet(Kind kind) const {
        const auto list = folders(kind);
        return {list.begin(), list.end()};
    }
    FileSet files() const {
        FileSet out;
        for (const Event& e : events)
            if (e.kind == Kind::File) out.insert({e.folder, e.name});
        return out;
    }
    size_t count(Kind kind) const { return folders(kind).size(); }
};

inline bool InSubtree(const std::string& folder, const std::string& top) {
    return folder == top || (folder.size() > top.size() &&
                             folder.compare(0, top.size(), top) == 0 && folder[top.size()] == '/');
}

// The depth-first shape, whatever order readdir gives: every folder's events
// (its own and those of everything below it) are one unbroken run that starts
// with entering it; its filesOf comes after everything below it, and its files
// close the run.
inline void ExpectDepthFirstShape(const std::vector<Event>& events) {
    for (size_t start = 0; start < events.size(); ++start) {
        if (events[start].kind != Kind::Enter) continue;
        const std::string& top = events[start].folder;
        SCOPED_TRACE(top);
        size_t end = start + 1;
        while (end < events.size() && InSubtree(events[end].folder, top))
            ++end;
        for (size_t i = end; i < events.size(); ++i)
            EXPECT_FALSE(InSubtree(events[i].folder, top)) << "the walk came back into " << top;
        bool ownPart = false; // past filesOf(top)
        for (size_t i = start + 1; i < end; ++i) {
            const bool own = events[i].folder == top;
            if (events[i].kind == Kind::FilesOf && own) {
                EXPECT_FALSE(ownPart) << "filesOf twice";
                ownPart = true;
                continue;
            }
            if (ownPart) {
                EXPECT_TRUE(own && events[i].kind == Kind::File) << events[i].folder;
            } else {
                EXPECT_FALSE(own) << "a file of " << top << " before its sub-folders were done";
            }
        }
    }
}

} // namespace quillon::test
