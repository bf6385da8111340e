#pragma once
// A result list saved for other programs: CSV (RFC 4180, UTF-8) or JSON Lines,
// one record per row in grid order, with raw values (sizes in bytes, times in
// ISO 8601 with the local offset) rather than the grid's formatted texts.
#include "scan/filestore.h"
#include <functional>
#include <string>
#include <vector>

namespace quillon {

enum class ExportFormat { Csv, JsonLines };

struct ExportRows {
    const FileStore& store;
    const std::vector<uint32_t>& rows;          // store rows, in grid order
    std::function<bool(size_t)> marked;          // by position in `rows`
};

// The whole export as text (tests, small lists).
std::string ExportText(const ExportRows& rows, ExportFormat format);
// Writes the export to `path`, replacing it only when complete. Empty on
// success, else the system's reason.
std::string ExportToFile(const ExportRows& rows, ExportFormat format, const std::string& path);

} // namespace quillon
