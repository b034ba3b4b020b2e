#pragma once

#include <QAbstractListModel>
#include <QItemSelection>
#include <QListView>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "platform/useraction.h"

namespace corvane {

// The entries of a name list: raw names (bytes), shown as UTF-8 with invalid
// bytes as replacement characters; the raw bytes are the kRawNameRole.
class NameListModel : public QAbstractListModel {
public:
    static constexpr int kRawNameRole = Qt::UserRole;

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const std::vector<std::string>& Names() const { return names_; }

    // Rewrites the names in one model reset.
    void Reset(const std::function<void(std::vector<std::string>& names)>& edit);
    void Insert(int row, std::string name);
    void Remove(int row);

private:
    std::vector<std::string> names_;
};

// A list box of names with extended multiple selection, the common part of the
// file list and the encode list. The names live in one vector; each entry's
// selection flag is kept in a bitmap that follows the view's selection, so that
// Selected(i) costs the same for every entry whatever the selection looks like.
class NameListBox : public QListView {
    Q_OBJECT

public:
    explicit NameListBox(QWidget* parent = nullptr);

    int Count() const;
    // The raw name of entry `index`; EStringListError when there is no such entry.
    const std::string& Item(int index) const;
    const std::vector<std::string>& Items() const { return model_->Names(); }
    QString ShownText(int index) const;

    // Whether entry `index` is selected; EStringListError when there is no such entry.
    bool Selected(int index) const;
    void SetSelected(int index, bool selected);
    // Selects exactly the entries `rows` (any order, repeats allowed) in one step.
    void SelectOnly(std::vector<int> rows);
    int SelectedCount() const { return selectedCount_; }

    // The entry that has the focus, -1 when there is none. Whenever the list
    // holds entries and none has the focus, the first one takes it, as the
    // platform list box's caret does; so -1 means the list is empty.
    int ItemIndex() const;
    // Moves the focus to entry `index` without changing the selection.
    void SetItemIndex(int index);

    // Raised by a double click of the left button anywhere in the list, inside
    // the guard.
    void SetOnDblClick(std::function<void()> handler) { onDblClick_ = std::move(handler); }
    void SetGuard(UserActionGuard guard) { guard_ = std::move(guard); }

    static QString ShownText(const std::string& name);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

    struct Rebuilt {
        std::vector<char> selected;  // per entry of the new names; empty: none selected
        int current = -1;
    };
    // Rewrites all entries in one step: `edit` changes the names in place and says
    // which of the new entries are selected and which has the focus.
    void RebuildEntries(
        const std::function<Rebuilt(std::vector<std::string>& names,
                                    const std::vector<char>& selected, int current)>& edit);
    // Inserts one entry, not selected, before entry `row`.
    void InsertEntry(int row, std::string name);
    void RemoveEntry(int row);
    void CheckIndex(int index) const;

private:
    void FollowSelection(const QItemSelection& selected, const QItemSelection& deselected);
    void KeepCurrent();

    NameListModel* model_;
    std::vector<char> selected_;
    int selectedCount_ = 0;
    std::function<void()> onDblClick_;
    UserActionGuard guard_;
};

}  // namespace corvane
