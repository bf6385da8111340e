#pragma once
// File type descriptions from the shared MIME-info database.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// ".txt" -> the MIME comment for that extension ("plain text document");
// an extension the database does not know -> "TXT File"; "*." -> "No extension";
// "" -> "". Cached: each extension is looked up once per run.
QString FileTypeName(const QString& extension);

// The extension of a file name with its dot (".tar" of "a.b.tar"), empty when
// the name has none. A leading dot alone ("~/.profile") is no extension.
std::string_view FileExtension(std::string_view name);

// Every registered extension ("*.txt"), lower case, at most four characters
// after the dot, sorted, without repeats.
QStringList RegisteredExtensionPatterns();

// Interns type descriptions so rows can keep a small index: equal descriptions
// (".htm" and ".html" may share one) get the same index.
class FileTypeTable {
public:
    FileTypeTable();
    // A copy gets caches of its own: its indices must keep pointing into its
    // own descriptions.
    FileTypeTable(const FileTypeTable& other);
    FileTypeTable& operator=(const FileTypeTable& other);
    FileTypeTable(FileTypeTable&&) noexcept = default;
    FileTypeTable& operator=(FileTypeTable&&) noexcept = default;
    // The index of the description of a file name's extension (0 = no extension,
    // empty description).
    uint32_t indexForName(std::string_view fileName);
    const QString& description(uint32_t index) const { return descriptions_[index]; }
    size_t size() const { return descriptions_.size(); }

private:
    struct Impl;
    std::vector<QString> descriptions_;
    std::shared_ptr<Impl> impl_;
};

} // namespace quillon
