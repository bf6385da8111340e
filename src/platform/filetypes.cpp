#include "platform/filetypes.h"
#include "platform/textcase.h"
#include <QHash>
#include <QMimeDatabase>
#include <QMimeType>
#include <QSet>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace quillon {

namespace {

// Glob matching of the database's own patterns, ASCII case ignored: '*',
// '?' and '[...]' (ranges, '!' or '^' negation). Nullopt for a pattern it
// does not read, which then counts as one that may match.
std::optional<bool> GlobMatches(QStringView pattern, QStringView name) {
    if (pattern.isEmpty()) return name.isEmpty();
    const QChar p = pattern.front();
    if (p == QLatin1Char('*')) {
        for (qsizetype skip = 0; skip <= name.size(); ++skip) {
            const std::optional<bool> rest = GlobMatches(pattern.mid(1), name.mid(skip));
            if (!rest || *rest) return rest;
        }
        return false;
    }
    if (p == QLatin1Char('\\')) return std::nullopt;
    if (name.isEmpty()) return false;
    const QChar c = name.front().toLower();
    if (p == QLatin1Char('[')) {
        qsizetype at = 1;
        const bool negated = at < pattern.size() &&
                             (pattern[at] == QLatin1Char('!') || pattern[at] == QLatin1Char('^'));
        if (negated) ++at;
        bool inClass = false;
        bool first = true;
        for (; at < pattern.size() && (first || pattern[at] != QLatin1Char(']')); ++at, first = false) {
            QChar low = pattern[at].toLower();
            QChar high = low;
            if (at + 2 < pattern.size() && pattern[at + 1] == QLatin1Char('-') &&
                pattern[at + 2] != QLatin1Char(']')) {
                high = pattern[at + 2].toLower();
                at += 2;
            }
            if (c >= low && c <= high) inClass = true;
        }
        if (at >= pattern.size()) return std::nullopt; // no closing ']'
        if (inClass == negated) return false;
        return GlobMatches(pattern.mid(at + 1), name.mid(1));
    }
    if (p != QLatin1Char('?') && p.toLower() != c) return false;
    return GlobMatches(pattern.mid(1), name.mid(1));
}

// Whether the database could name a type for a file called "x" + extension
// (lower case, with its dot). A look-up in the database costs tens of
// microseconds, and a folder of rotated logs ("log.1" ... "log.99999") holds
// a new extension per file; the few patterns that are not a plain "*.ext"
// are tried here, and only an extension some pattern may match is looked up.
bool DatabaseMayKnow(const QString& lowerExtension) {
    struct Patterns {
        QSet<QString> plainSuffixes; // "*.txt" -> ".txt"
        QStringList others;
    };
    static const Patterns patterns = [] {
        Patterns all;
        const QMimeDatabase database;
        for (const QMimeType& type : database.allMimeTypes()) {
            for (const QString& glob : type.globPatterns()) {
                const QString lower = glob.toLower();
                const QStringView tail = QStringView(lower).mid(1);
                const bool plain = lower.startsWith(QLatin1String("*.")) &&
                                   !tail.contains(QLatin1Char('*')) && !tail.contains(QLatin1Char('?')) &&
                                   !tail.contains(QLatin1Char('[')) && !tail.contains(QLatin1Char('\\'));
                if (plain)
                    all.plainSuffixes.insert(lower.mid(1));
                else
                    all.others.append(lower);
            }
        }
        return all;
    }();
    // A suffix of several parts ("*.tar.gz") cannot end "x" + one extension,
    // so a plain suffix matches only when it is the extension itself.
    if (patterns.plainSuffixes.contains(lowerExtension)) return true;
    const QString name = QLatin1Char('x') + lowerExtension;
    for (const QString& pattern : patterns.others) {
        const std::optional<bool> match = GlobMatches(pattern, name);
        if (!match || *match) return true;
    }
    return false;
}

QString LookUpDescription(const QString& lowerExtension) {
    if (!DatabaseMayKnow(lowerExtension)) return {};
    static const QMimeDatabase database;
    // A stand-in base name: the database knows extensions through patterns
    // such as "*.txt", which want a name in front of the dot.
    const QList<QMimeType> types = database.mimeTypesForFileName(QLatin1Char('x') + lowerExtension);
    if (types.isEmpty()) return {};
    const QMimeType& type = types.first();
    // octet-stream is the database's word for "no idea".
    if (!type.isValid() || type.isDefault()) return {};
    const QString comment = type.comment();
    return comment.isEmpty() ? type.name() : comment;
}

} // namespace

QString FileTypeName(const QString& extension) {
    if (extension == QLatin1String("*.")) return QStringLiteral("No extension");
    if (extension.isEmpty() || extension.contains(QLatin1Char('*'))) return {};

    // Extensions compare without regard to case, so ".TXT" and ".txt" share
    // one look-up. The database is asked once per extension and run.
    static std::mutex mutex;
    static QHash<QString, QString> cache;
    const QString key = extension.toLower();
    {
        const std::lock_guard<std::mutex> lock(mutex);
        const auto found = cache.constFind(key);
        if (found != cache.constEnd()) return found.value();
    }
    QString description = LookUpDescription(key);
    if (description.isEmpty()) description = key.mid(1).toUpper() + QStringLiteral(" File");
    const std::lock_guard<std::mutex> lock(mutex);
    cache.insert(key, description);
    return description;
}

std::string_view FileExtension(std::string_view name) {
    const size_t dot = name.rfind('.');
    // No dot, only the leading dot of a hidden name, or a dot at the very end
    // (nothing after it to name a type) is no extension.
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return {};
    return name.substr(dot);
}

QStringList RegisteredExtensionPatterns() {
    static const QStringList patterns = [] {
        QStringList list;
        const QMimeDatabase database;
        for (const QMimeType& type : database.allMimeTypes()) {
            for (const QString& suffix : type.suffixes()) {
                // Compound suffixes ("tar.gz") and glob leftovers are not
                // extensions of their own; long ones are not offered.
                if (suffix.isEmpty() || suffix.size() > 4) continue;
                if (suffix.contains(QLatin1Char('.')) || suffix.contains(QLatin1Char('*')) ||
                    suffix.contains(QLatin1Char('?')) || suffix.contains(QLatin1Char('[')))
                    continue;
                list.append(QStringLiteral("*.") + suffix.toLower());
            }
        }
        list.sort();
        list.removeDuplicates();
        return list;
    }();
    return patterns;
}

struct FileTypeTable::Impl {
    // Lower-cased extension bytes (with the dot) -> index into descriptions_.
    std::unordered_map<std::string, uint32_t> byExtension;
    QHash<QString, uint32_t> byDescription;
    std::string key; // reused, so a look-up that hits allocates nothing
};

FileTypeTable::FileTypeTable() : impl_(std::make_shared<Impl>()) {
    descriptions_.emplace_back();
    impl_->byDescription.insert(QString(), 0);
}

FileTypeTable::FileTypeTable(const FileTypeTable& other)
    : descriptions_(other.descriptions_), impl_(std::make_shared<Impl>(*other.impl_)) {}

FileTypeTable& FileTypeTable::operator=(const FileTypeTable& other) {
    if (this != &other) {
        descriptions_ = other.descriptions_;
        impl_ = std::make_shared<Impl>(*other.impl_);
    }
    return *this;
}

uint32_t FileTypeTable::indexForName(std::string_view fileName) {
    const std::string_view extension = FileExtension(fileName);
    if (extension.empty()) return 0;
    std::string& key = impl_->key;
    key.resize(extension.size());
    for (size_t i = 0; i < extension.size(); ++i)
        key[i] = FoldAscii(extension[i]);
    const auto found = impl_->byExtension.find(key);
    if (found != impl_->byExtension.end()) return found->second;

    // Names are bytes; bytes that are not UTF-8 only matter for the display.
    const QString description =
        FileTypeName(QString::fromUtf8(extension.data(), static_cast<qsizetype>(extension.size())));
    uint32_t index = 0;
    const auto known = impl_->byDescription.constFind(description);
    if (known != impl_->byDescription.constEnd()) {
        index = known.value();
    } else {
        index = static_cast<uint32_t>(descriptions_.size());
        descriptions_.push_back(description);
        impl_->byDescription.insert(description, index);
    }
    impl_->byExtension.emplace(key, index);
    return index;
}

} // namespace quillon
