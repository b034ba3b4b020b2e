#include "platform/listbox.h"

#include <algorithm>

#include "platform/exception.h"
#include "platform/folderlisting.h"

namespace corvane {

TListBox::TListBox(QWidget* parent, int capacity) : NameListBox(parent), capacity_(capacity) {
    setAccessibleName(QStringLiteral("Encode list"));
}

int TListBox::Add(const std::string& name) {
    if (Count() >= capacity_) {
        throw EStringListError(kFullMessage);
    }
    const auto& names = Items();
    const int row = static_cast<int>(
        std::upper_bound(names.begin(), names.end(), name, ListOrderLess()) - names.begin());
    InsertEntry(row, name);
    return row;
}

void TListBox::AddNames(std::vector<std::string> names) {
    if (names.empty()) {
        return;
    }
    const size_t room = static_cast<size_t>(capacity_ - Count());
    const bool full = names.size() > room;
    if (full) {
        names.resize(room);
    }
    if (!names.empty()) {
        const std::string firstAdded = names.front();
        if (!std::is_sorted(names.begin(), names.end(), ListOrderLess())) {
            std::stable_sort(names.begin(), names.end(), ListOrderLess());
        }
        RebuildEntries([&](std::vector<std::string>& entries, const std::vector<char>& selected,
                           int current) {
            std::vector<std::string> merged;
            merged.reserve(entries.size() + names.size());
            Rebuilt rebuilt;
            rebuilt.selected.reserve(entries.size() + names.size());
            size_t old = 0;
            size_t added = 0;
            while (old < entries.size() || added < names.size()) {
                // An added name goes after the entries equal to it, as Add puts it.
                const bool takeAdded =
                    added < names.size() &&
                    (old == entries.size() || CompareListOrder(names[added], entries[old]) < 0);
                if (takeAdded) {
                    merged.push_back(std::move(names[added++]));
                    rebuilt.selected.push_back(0);
                } else {
                    if (static_cast<int>(old) == current) {
                        rebuilt.current = static_cast<int>(merged.size());
                    }
                    merged.push_back(std::move(entries[old]));
                    rebuilt.selected.push_back(old < selected.size() ? selected[old] : 0);
                    ++old;
                }
            }
            entries = std::move(merged);
            if (current == -1) {
                // Into an empty list: the first name added took the focus and kept it.
                rebuilt.current = static_cast<int>(
                    std::lower_bound(entries.begin(), entries.end(), firstAdded, ListOrderLess()) -
                    entries.begin());
            }
            return rebuilt;
        });
    }
    if (full) {
        throw EStringListError(kFullMessage);
    }
}

int TListBox::IndexOf(std::string_view name) const {
    const auto& names = Items();
    const auto found = std::lower_bound(names.begin(), names.end(), name, ListOrderLess());
    if (found == names.end() || *found != name) {
        return -1;
    }
    return static_cast<int>(found - names.begin());
}

void TListBox::Delete(int index) {
    CheckIndex(index);
    RemoveEntry(index);
}

void TListBox::DeleteSelected() {
    if (SelectedCount() == 0) {
        return;
    }
    RebuildEntries(
        [](std::vector<std::string>& entries, const std::vector<char>& selected, int current) {
            size_t kept = 0;
            int keptBeforeCurrent = -1;
            for (size_t i = 0; i < entries.size(); ++i) {
                if (static_cast<int>(i) == current) {
                    keptBeforeCurrent = static_cast<int>(kept);
                }
                if (i < selected.size() && selected[i] != 0) {
                    continue;
                }
                if (kept != i) {
                    entries[kept] = std::move(entries[i]);
                }
                ++kept;
            }
            entries.resize(kept);
            Rebuilt rebuilt;
            // The focus stays on its entry, or moves to the one that took its place.
            rebuilt.current = std::min(keptBeforeCurrent, static_cast<int>(kept) - 1);
            return rebuilt;
        });
}

void TListBox::Clear() {
    if (Count() == 0) {
        return;
    }
    RebuildEntries([](std::vector<std::string>& entries, const std::vector<char>&, int) {
        entries.clear();
        return Rebuilt{};
    });
}

}  // namespace corvane
