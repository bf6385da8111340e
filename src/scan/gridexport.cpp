#include "scan/gridexport.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include <QDateTime>

namespace quillon {

namespace {

// Names of the fields, in the order every record gives them.
constexpr const char* kFields[] = {"path", "size", "modified", "accessed", "created", "type",
                                   "marked"};

// A CSV header names the escaping when any path needed it, so a reader knows
// to turn \xHH and \\ back into bytes.
constexpr const char* kEscapedPathTitle =
    "path (bytes that are not UTF-8 written as \\xHH; a backslash as \\\\)";

std::string IsoTime(DateTime value) {
    if (value == kNoDate) return {};
    const QDateTime local = ToQDateTime(value);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate).toStdString();
}

void AppendCsvField(std::string& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(field);
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void AppendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

class Exporter {
public:
    Exporter(const ExportRows& rows, ExportFormat format) : rows_(rows), format_(format) {
        if (format_ == ExportFormat::Csv)
            for (uint32_t row : rows_.rows)
                if (!IsValidUtf8(rows_.store.path(row))) {
                    escapeAll_ = true;
                    break;
                }
    }

    // Calls sink with pieces of about `chunk` bytes; false stops.
    bool run(const std::function<bool(std::string_view)>& sink, size_t chunk) {
        std::string out;
        if (format_ == ExportFormat::Csv) {
            for (size_t f = 0; f < std::size(kFields); ++f) {
                if (f) out += ',';
                AppendCsvField(out, f == 0 && escapeAll_ ? kEscapedPathTitle : kFields[f]);
            }
            out += "\r\n";
        }
        for (size_t i = 0; i < rows_.rows.size(); ++i) {
            record(out, i);
            if (out.size() >= chunk) {
                if (!sink(out)) return false;
                out.clear();
            }
        }
        return out.empty() || sink(out);
    }

private:
    void record(std::string& out, size_t i) const {
        const FileStore& store = rows_.store;
        const uint32_t row = rows_.rows[i];
        const FileRow& r = store.row(row);
        const std::string raw = store.path(row);
        const std::string size = std::to_string(r.size);
        const std::string type = store.typeName(row).toStdString();
        const bool marked = rows_.marked && rows_.marked(i);
        if (format_ == ExportFormat::Csv) {
            AppendCsvField(out, escapeAll_ ? EscapeNonUtf8(raw) : raw);
            for (const std::string& field :
                 {size, IsoTime(r.modified), IsoTime(r.accessed), IsoTime(r.created), type}) {
                out += ',';
                AppendCsvField(out, field);
            }
            out += marked ? ",true\r\n" : ",false\r\n";
            return;
        }
        const bool valid = IsValidUtf8(raw);
        out += "{\"path\":";
        AppendJsonString(out, valid ? raw : EscapeNonUtf8(raw));
        if (!valid) out += ",\"path_escaped\":true";
        out += ",\"size\":" + size;
        const std::pair<const char*, DateTime> times[] = {
            {"modified", r.modified}, {"accessed", r.accessed}, {"created", r.created}};
        for (const auto& [name, value] : times) {
            out += ",\"";
            out += name;
            out += "\":";
            if (value == kNoDate) out += "null";
            else AppendJsonString(out, IsoTime(value));
        }
        out += ",\"type\":";
        AppendJsonString(out, type);
        out += marked ? ",\"marked\":true}\n" : ",\"marked\":false}\n";
    }

    const ExportRows& rows_;
    ExportFormat format_;
    bool escapeAll_ = false;
};

} // namespace

std::string ExportText(const ExportRows& rows, ExportFormat format) {
    std::string text;
    Exporter(rows, format).run([&](std::string_view piece) {
        text.append(piece);
        return true;
    }, 1 << 16);
    return text;
}

std::string ExportToFile(const ExportRows& rows, ExportFormat format, const std::string& path) {
    AtomicFileWriter file(path);
    if (!file.open()) return ErrorText(file.error());
    if (!Exporter(rows, format).run([&](std::string_view piece) { return file.write(piece); },
                                    1 << 20) ||
        !file.commit())
        return ErrorText(file.error());
    return {};
}

} // namespace quillon
