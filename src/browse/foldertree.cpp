#include "browse/foldertree.h"
#include "platform/filefacts.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/resolver.h"
#include "platform/textcase.h"
#include "shell/routines.h"
#include <QApplication>
#include <QStyle>
#include <algorithm>

namespace quillon {

namespace {

// The order ListSubFolders gives: ASCII case folded, then bytes.
// Beyond this many changes a re-read folder gets its rows anew in one step
// rather than one removal or insertion per change.
constexpr size_t kSingleChangesAtMost = 64;

} // namespace

struct FolderTreeModel::Node {
    std::string name; // the root's is its whole path
    Node* parent = nullptr;
    size_t row = 0; // among the parent's children
    bool listed = false;
    std::optional<FolderId> chosen; // see noteChosen
    std::vector<std::unique_ptr<Node>> children;

    Node* add(std::string childName) {
        auto child = std::make_unique<Node>();
        child->name = std::move(childName);
        child->parent = this;
        child->row = children.size();
        children.push_back(std::move(child));
        return children.back().get();
    }
};

FolderTreeModel::FolderTreeModel(QObject* parent)
    : QAbstractItemModel(parent), top_(std::make_unique<Node>()) {
    closedIcon_ = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    top_->listed = true;
}

FolderTreeModel::~FolderTreeModel() = default;

void FolderTreeModel::setRoot(const std::string& root) {
    beginResetModel();
    top_->children.clear();
    top_->add(LexicalNormalise(root));
    endResetModel();
}

const std::string& FolderTreeModel::root() const {
    static const std::string none;
    return top_->children.empty() ? none : top_->children.front()->name;
}

FolderTreeModel::Node* FolderTreeModel::nodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : top_.get();
}

QModelIndex FolderTreeModel::indexOf(const Node* node) const {
    if (!node || node == top_.get()) return {};
    return createIndex(static_cast<int>(node->row), 0, const_cast<Node*>(node));
}

std::string FolderTreeModel::pathOf(const Node* node) const {
    if (!node || node == top_.get()) return {};
    if (node->parent == top_.get()) return node->name;
    return JoinPath(pathOf(node->parent), node->name);
}

std::string FolderTreeModel::folderAt(const QModelIndex& index) const {
    return index.isValid() ? pathOf(nodeOf(index)) : std::string();
}

bool FolderTreeModel::isListed(const QModelIndex& index) const {
    return index.isValid() && nodeOf(index)->listed;
}

void FolderTreeModel::noteChosen(const QModelIndex& index) {
    if (index.isValid()) nodeOf(index)->chosen = FolderIdOfPath(folderAt(index));
}

std::optional<FolderId> FolderTreeModel::chosenId(const QModelIndex& index) const {
    return index.isValid() ? nodeOf(index)->chosen : std::nullopt;
}

void FolderTreeModel::renumber(Node* node, size_t from) {
    for (size_t i = from; i < node->children.size(); ++i) node->children[i]->row = i;
}

void FolderTreeModel::list(Node* node) {
    std::vector<std::string> names = ListSubFolders(pathOf(node));
    node->listed = true;
    if (names.empty()) return;
    const QModelIndex parent = indexOf(node);
    beginInsertRows(parent, 0, static_cast<int>(names.size()) - 1);
    node->children.reserve(names.size());
    for (std::string& name : names) node->add(std::move(name));
    endInsertRows();
}

void FolderTreeModel::reread(const QModelIndex& index) {
    Node* node = nodeOf(index);
    if (!index.isValid()) return;
    if (!node->listed) {
        list(node);
        return;
    }
    const std::vector<std::string> names = ListSubFolders(pathOf(node));
    auto& children = node->children;
    // Both lists are in the same order, so one merge tells what went and what came.
    std::vector<size_t> gone;
    std::vector<std::pair<size_t, std::string>> came; // position in `names`, name
    size_t i = 0, j = 0;
    while (i < children.size() || j < names.size()) {
        if (j == names.size() || (i < children.size() && FoldedThenBytesLess(children[i]->name, names[j]))) {
            gone.push_back(i++);
        } else if (i == children.size() || FoldedThenBytesLess(names[j], children[i]->name)) {
            came.emplace_back(j, names[j]);
            ++j;
        } else {
            ++i;
            ++j;
        }
    }
    if (gone.empty() && came.empty()) return;
    if (gone.size() + came.size() > kSingleChangesAtMost) {
        // Many changes at once: the level is read afresh (what was read
        // below it is dropped).
        if (!children.empty()) {
            beginRemoveRows(index, 0, static_cast<int>(children.size()) - 1);
            children.clear();
            endRemoveRows();
        }
        node->listed = false;
        list(node);
        return;
    }
    for (auto it = gone.rbegin(); it != gone.rend(); ++it) {
        const int row = static_cast<int>(*it);
        beginRemoveRows(index, row, row);
        children.erase(children.begin() + row);
        renumber(node, *it);
        endRemoveRows();
    }
    // After the removals the children are exactly the names that stayed, so a
    // new name's position in `names` is its row once the earlier ones are in.
    for (auto& [position, name] : came) insertChild(node, position, std::move(name));
}

FolderTreeModel::Node* FolderTreeModel::insertChild(Node* node, size_t row, std::string name) {
    beginInsertRows(indexOf(node), static_cast<int>(row), static_cast<int>(row));
    auto child = std::make_unique<Node>();
    child->name = std::move(name);
    child->parent = node;
    Node* added = child.get();
    node->children.insert(node->children.begin() + static_cast<std::ptrdiff_t>(row),
                          std::move(child));
    renumber(node, row);
    endInsertRows();
    return added;
}

QModelIndex FolderTreeModel::indexFor(const std::string& folder) {
    if (top_->children.empty()) return {};
    Node* node = top_->children.front().get();
    const std::string& root = node->name;
    const std::string wanted = LexicalNormalise(folder);
    if (!PathIsWithin(wanted, root)) return indexOf(node);
    // The elements below the root.
    std::string_view rest = std::string_view(wanted).substr(std::min(wanted.size(), root.size()));
    while (!rest.empty()) {
        const size_t slash = rest.find('/');
        const std::string_view element = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (element.empty()) continue;
        if (!node->listed) list(node);
        auto& children = node->children;
        // Children are sorted, so the element is found by halving.
        const auto it = std::lower_bound(
            children.begin(), children.end(), element,
            [](const std::unique_ptr<Node>& child, std::string_view name) {
                return FoldedThenBytesLess(child->name, name);
            });
        if (it != children.end() && (*it)->name == element) {
            node = it->get();
            continue;
        }
        // Not listed: a hidden folder (a finder may have found a file in one)
        // or one made since the level was read. A real folder, not a link,
        // gets its place in the tree; anything else ends the way here.
        const std::string path = JoinPath(pathOf(node), element);
        FileFacts facts;
        if (!ReadFileFacts(path, facts) || !(facts.attributes & faDirectory)) break;
        node = insertChild(node, static_cast<size_t>(it - children.begin()), std::string(element));
    }
    return indexOf(node);
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const Node* node = nodeOf(parent);
    if (column != 0 || row < 0 || static_cast<size_t>(row) >= node->children.size()) return {};
    return createIndex(row, 0, node->children[static_cast<size_t>(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    return indexOf(nodeOf(child)->parent);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    return static_cast<int>(nodeOf(parent)->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const Node* node = nodeOf(index);
    switch (role) {
    case Qt::DisplayRole: return DisplayPath(node->name);
    case Qt::DecorationRole: return closedIcon_;
    default: return {};
    }
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
    const Node* node = nodeOf(parent);
    // A folder not read yet may have sub-folders; reading it to find out is
    // what opening it does.
    return !node->listed || !node->children.empty();
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const {
    return parent.isValid() && !nodeOf(parent)->listed;
}

void FolderTreeModel::fetchMore(const QModelIndex& parent) {
    if (canFetchMore(parent)) list(nodeOf(parent));
}

} // namespace quillon
