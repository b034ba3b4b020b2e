#include "platform/namelistbox.h"

#include <QByteArray>
#include <QMouseEvent>
#include <algorithm>

#include "platform/exception.h"

namespace corvane {

int NameListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

QVariant NameListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) {
        return {};
    }
    const std::string& name = names_[static_cast<size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return NameListBox::ShownText(name);
        case kRawNameRole:
            return QByteArray(name.data(), static_cast<qsizetype>(name.size()));
        default:
            return {};
    }
}

void NameListModel::Reset(const std::function<void(std::vector<std::string>& names)>& edit) {
    beginResetModel();
    edit(names_);
    endResetModel();
}

void NameListModel::Insert(int row, std::string name) {
    beginInsertRows(QModelIndex(), row, row);
    names_.insert(names_.begin() + row, std::move(name));
    endInsertRows();
}

void NameListModel::Remove(int row) {
    beginRemoveRows(QModelIndex(), row, row);
    names_.erase(names_.begin() + row);
    endRemoveRows();
}

NameListBox::NameListBox(QWidget* parent) : QListView(parent), model_(new NameListModel(this)) {
    setModel(model_);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &NameListBox::FollowSelection);
}

int NameListBox::Count() const {
    return model_->rowCount();
}

void NameListBox::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) {
        throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    }
}

const std::string& NameListBox::Item(int index) const {
    CheckIndex(index);
    return model_->Names()[static_cast<size_t>(index)];
}

QString NameListBox::ShownText(int index) const {
    return ShownText(Item(index));
}

QString NameListBox::ShownText(const std::string& name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

bool NameListBox::Selected(int index) const {
    CheckIndex(index);
    return selected_[static_cast<size_t>(index)] != 0;
}

void NameListBox::SetSelected(int index, bool selected) {
    CheckIndex(index);
    selectionModel()->select(model_->index(index), selected ? QItemSelectionModel::Select
                                                            : QItemSelectionModel::Deselect);
}

void NameListBox::SelectOnly(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (!rows.empty()) {
        CheckIndex(rows.front());
        CheckIndex(rows.back());
    }
    // One range per run of neighbouring rows, given in one call: the selection
    // model compares old and new selections range by range, so selecting from
    // empty in one step stays linear where one call per row would not.
    QItemSelection selection;
    for (size_t first = 0; first < rows.size();) {
        size_t last = first;
        while (last + 1 < rows.size() && rows[last + 1] == rows[last] + 1) {
            ++last;
        }
        selection.select(model_->index(rows[first]), model_->index(rows[last]));
        first = last + 1;
    }
    selectionModel()->clearSelection();
    if (!selection.isEmpty()) {
        selectionModel()->select(selection, QItemSelectionModel::Select);
    }
}

int NameListBox::ItemIndex() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void NameListBox::SetItemIndex(int index) {
    CheckIndex(index);
    selectionModel()->setCurrentIndex(model_->index(index), QItemSelectionModel::NoUpdate);
}

void NameListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && onDblClick_) {
        RunUserAction(guard_, onDblClick_);
    }
}

void NameListBox::RebuildEntries(
    const std::function<Rebuilt(std::vector<std::string>& names, const std::vector<char>& selected,
                                int current)>& edit) {
    const std::vector<char> oldSelected = std::move(selected_);
    selected_.clear();
    const int oldCurrent = ItemIndex();
    Rebuilt rebuilt;
    // The reset clears the view's selection without telling; the bitmap is
    // rebuilt from what `edit` says and then given back to the view.
    model_->Reset(
        [&](std::vector<std::string>& names) { rebuilt = edit(names, oldSelected, oldCurrent); });
    const int count = Count();
    selected_.assign(static_cast<size_t>(count), 0);
    selectedCount_ = 0;

    QItemSelection selection;
    const int flagged = std::min(count, static_cast<int>(rebuilt.selected.size()));
    for (int first = 0; first < flagged;) {
        if (rebuilt.selected[static_cast<size_t>(first)] == 0) {
            ++first;
            continue;
        }
        int last = first;
        while (last + 1 < flagged && rebuilt.selected[static_cast<size_t>(last + 1)] != 0) {
            ++last;
        }
        selection.select(model_->index(first), model_->index(last));
        first = last + 1;
    }
    if (!selection.isEmpty()) {
        selectionModel()->select(selection, QItemSelectionModel::Select);
    }
    if (rebuilt.current >= 0 && rebuilt.current < count) {
        selectionModel()->setCurrentIndex(model_->index(rebuilt.current),
                                          QItemSelectionModel::NoUpdate);
    }
    KeepCurrent();
}

void NameListBox::InsertEntry(int row, std::string name) {
    model_->Insert(row, std::move(name));
    selected_.insert(selected_.begin() + row, 0);
    KeepCurrent();
}

void NameListBox::RemoveEntry(int row) {
    model_->Remove(row);
    if (selected_[static_cast<size_t>(row)] != 0) {
        --selectedCount_;
    }
    selected_.erase(selected_.begin() + row);
    KeepCurrent();
}

void NameListBox::FollowSelection(const QItemSelection& selected,
                                  const QItemSelection& deselected) {
    const auto apply = [this](const QItemSelection& ranges, char flag) {
        for (const QItemSelectionRange& range : ranges) {
            const int first = std::max(range.top(), 0);
            const int last = std::min(range.bottom(), static_cast<int>(selected_.size()) - 1);
            for (int row = first; row <= last; ++row) {
                char& bit = selected_[static_cast<size_t>(row)];
                if (bit != flag) {
                    bit = flag;
                    selectedCount_ += flag != 0 ? 1 : -1;
                }
            }
        }
    };
    apply(deselected, 0);
    apply(selected, 1);
}

void NameListBox::KeepCurrent() {
    if (Count() > 0 && !currentIndex().isValid()) {
        selectionModel()->setCurrentIndex(model_->index(0), QItemSelectionModel::NoUpdate);
    }
}

}  // namespace corvane
