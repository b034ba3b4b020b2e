#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/directorylistbox.h"
#include "platform/drivecombobox.h"
#include "platform/exception.h"
#include "platform/filelistbox.h"
#include "platform/listbox.h"
#include "platform/volumes.h"

namespace corvane::test {

// A stand-in for the main window: the four browser controls wired to the six
// handlers, each written step by step as the window writes them. `LastDir` is
// empty until FormShow, where the window creates its settings record.
class BrowserWindow {
public:
    explicit BrowserWindow(VolumeState& volumes, int capacity = TListBox::kMaxCapacity)
        : DriveComboBox(nullptr, volumes),
          DirectoryListBox(nullptr, volumes),
          FileListBox(nullptr, volumes),
          DestList(nullptr, capacity) {
        const UserActionGuard guard = [this](const std::function<void()>& action) {
            Guard(action);
        };
        DriveComboBox.SetGuard(guard);
        DirectoryListBox.SetGuard(guard);
        FileListBox.SetGuard(guard);
        DestList.SetGuard(guard);
        DriveComboBox.SetOnChange([this] {
            ++driveChanges;
            DriveComboBoxChange();
        });
        DirectoryListBox.SetOnChange([this] {
            ++folderChanges;
            DirectoryListBoxChange();
        });
        FileListBox.SetOnDblClick([this] { FileListBoxDblClick(); });
        DestList.SetOnDblClick([this] { RemoveBtnClick(); });
        for (QWidget* widget : std::initializer_list<QWidget*>{&DriveComboBox, &DirectoryListBox,
                                                               &FileListBox, &DestList}) {
            widget->resize(200, 400);
            widget->show();
        }
        DriveComboBox.RaiseInitialChange();
    }

    void DriveComboBoxChange() { DirectoryListBox.SetDrive(DriveComboBox.Drive()); }

    void DirectoryListBoxChange() {
        if (!LastDir) {
            ++changesBeforeShow;
            return;
        }
        FileListBox.SetDrive(DirectoryListBox.Drive());
        *LastDir = DirectoryListBox.Directory();
        FileListBox.ApplyFilePath(*LastDir);
        DestList.Clear();
    }

    // Add Selected. The file list's names are distinct (one folder's listing), so
    // collecting the missing ones and adding them in one step gives what adding
    // each at once would.
    void FileListBoxDblClick() {
        if (FileListBox.ItemIndex() == -1) {
            return;
        }
        std::vector<std::string> names;
        for (int i = 0; i < FileListBox.Count(); ++i) {
            if (FileListBox.Selected(i) && DestList.IndexOf(FileListBox.Item(i)) == -1) {
                names.push_back(FileListBox.Item(i));
            }
        }
        DestList.AddNames(std::move(names));
    }

    void AddAllBtnClick() {
        DestList.Clear();
        DestList.AddNames(FileListBox.Items());
    }

    void RemoveBtnClick() {
        if (DestList.ItemIndex() == -1) {
            return;
        }
        DestList.DeleteSelected();
    }

    void RemoveAllBtnClick() { DestList.Clear(); }

    // The show step's part that positions the browsers at the stored folder.
    void FormShow(const std::string& storedLastDir) {
        Guard([&] {
            LastDir = storedLastDir;
            const std::string copy = *LastDir;
            if (LastDir->empty()) {
                throw ERangeError("LastDir is empty");
            }
            DriveComboBox.SetDrive(*LastDir);
            DirectoryListBox.SetDirectory(copy);
            FileListBox.ApplyFilePath(*LastDir);
        });
    }

    void Guard(const std::function<void()>& action) {
        try {
            action();
        } catch (const Exception& error) {
            errors.push_back(error.Message());
        }
    }

    std::vector<std::string> errors;
    int driveChanges = 0;
    int folderChanges = 0;
    int changesBeforeShow = 0;
    std::optional<std::string> LastDir;

    TDriveComboBox DriveComboBox;
    TDirectoryListBox DirectoryListBox;
    TFileListBox FileListBox;
    TListBox DestList;
};

inline void SendMouse(QAbstractItemView& view, QEvent::Type type, const QPoint& at,
                      Qt::KeyboardModifiers modifiers) {
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent event(type, at, view.viewport()->mapToGlobal(at), Qt::LeftButton, buttons,
                      modifiers);
    QApplication::sendEvent(view.viewport(), &event);
}

// The events of a left double click on entry `row`, as the platform delivers them.
inline void DoubleClick(QAbstractItemView& view, int row,
                        Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QModelIndex index = view.model()->index(row, 0);
    view.scrollTo(index);
    const QPoint at = view.visualRect(index).center();
    SendMouse(view, QEvent::MouseButtonPress, at, modifiers);
    SendMouse(view, QEvent::MouseButtonRelease, at, modifiers);
    SendMouse(view, QEvent::MouseButtonDblClick, at, modifiers);
    SendMouse(view, QEvent::MouseButtonRelease, at, modifiers);
}

inline void Click(QAbstractItemView& view, int row,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QModelIndex index = view.model()->index(row, 0);
    view.scrollTo(index);
    const QPoint at = view.visualRect(index).center();
    SendMouse(view, QEvent::MouseButtonPress, at, modifiers);
    SendMouse(view, QEvent::MouseButtonRelease, at, modifiers);
}

inline void PressKey(QWidget& widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(&widget, &release);
}

}  // namespace corvane::test
