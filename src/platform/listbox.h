#pragma once

#include <climits>
#include <string>
#include <string_view>
#include <vector>

#include "platform/namelistbox.h"

namespace corvane {

// A sorted list box with extended multiple selection (the encode list): its
// entries are always in list order (CompareListOrder), an added name going
// after any equal entries. It accepts duplicates. Adding beyond its capacity
// raises EStringListError "Unable to insert a line".
class TListBox : public NameListBox {
    Q_OBJECT

public:
    // The most rows a Qt model can hold.
    static constexpr int kMaxCapacity = INT_MAX;

    explicit TListBox(QWidget* parent = nullptr, int capacity = kMaxCapacity);

    int Capacity() const { return capacity_; }

    // Inserts `name` at its sorted place and returns that index.
    int Add(const std::string& name);
    // The same entries, selection and focus as Add for each name in turn, in one
    // step. When the list fills up, the names before the first that does not fit
    // are added and EStringListError follows.
    void AddNames(std::vector<std::string> names);

    // The index of the first entry equal to `name` byte for byte, -1 when none:
    // what comparing with every entry from index 0 upward finds, by binary search.
    int IndexOf(std::string_view name) const;

    void Delete(int index);
    // The same entries as deleting every selected entry from the last index down,
    // in one pass.
    void DeleteSelected();
    void Clear();

    static constexpr const char* kFullMessage = "Unable to insert a line";

private:
    int capacity_;
};

}  // namespace corvane
