#pragma once
// The folder tree of one drive, as the folder browser shows it: a model whose
// folders are read only when they are first opened, so a level of ten
// thousand sub-folders costs one listing of that level and nothing below it.
// Names are bytes; a folder's path is built from them, never from the text
// shown.
#include "platform/folderid.h"
#include <QAbstractItemModel>
#include <QIcon>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit FolderTreeModel(QObject* parent = nullptr);
    ~FolderTreeModel() override;

    // Starts a new tree at a drive root; nothing below it is read yet.
    void setRoot(const std::string& root);
    const std::string& root() const;

    // The folder an index stands for (bytes); empty for an invalid index.
    std::string folderAt(const QModelIndex& index) const;
    // The index of a folder inside the tree, reading every level on the way
    // that has not been read yet. A folder that is not (or no longer) there
    // gives the deepest existing folder on its way; a folder outside the tree
    // gives the root.
    QModelIndex indexFor(const std::string& folder);
    // Reads a folder's sub-folders again: the ones that went are removed, new
    // ones are added, and the ones that stayed keep what was read below them.
    void reread(const QModelIndex& index);
    // Whether a folder's sub-folders have been read.
    bool isListed(const QModelIndex& index) const;
    // Reads a folder's device and inode now (no link on its way) and keeps
    // them with its row: the folder the user chose, so that acting on it
    // later acts on that folder only. Nothing is kept when it is not there.
    void noteChosen(const QModelIndex& index);
    // What noteChosen kept for that row; nothing when it never was chosen.
    std::optional<FolderId> chosenId(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    struct Node;
    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOf(const Node* node) const;
    std::string pathOf(const Node* node) const;
    void list(Node* node);
    Node* insertChild(Node* node, size_t row, std::string name);
    static void renumber(Node* node, size_t from);

    std::unique_ptr<Node> top_; // the invisible parent of the root row
    QIcon closedIcon_;
};

} // namespace quillon
