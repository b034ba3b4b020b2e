#include "platform/directorylistbox.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

#include "platform/folderlisting.h"
#include "platform/paths.h"

namespace corvane {

namespace {

QString Shown(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The open-folder picture with a dot in the highlight colour: the current folder.
QIcon CurrentFolderIcon(const QStyle& style, const QPalette& palette) {
    constexpr int kSize = 16;
    const QIcon open = style.standardIcon(QStyle::SP_DirOpenIcon);
    QPixmap pixmap = open.pixmap(kSize, kSize);
    if (pixmap.isNull()) {
        return open;
    }
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette.color(QPalette::Highlight));
    painter.drawEllipse(QRectF(kSize * 0.55, kSize * 0.55, kSize * 0.42, kSize * 0.42));
    painter.end();
    return QIcon(pixmap);
}

class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem indented = option;
        indented.rect.setLeft(option.rect.left() + Indent(index));
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(Indent(index), 0);
    }

private:
    static int Indent(const QModelIndex& index) {
        return index.data(TDirectoryListBox::kDepthRole).toInt() * TDirectoryListBox::kIndent;
    }
};

}  // namespace

class TDirectoryListBox::Model : public QAbstractListModel {
public:
    Model(const QStyle& style, const QPalette& palette, QObject* parent)
        : QAbstractListModel(parent),
          pathIcon_(style.standardIcon(QStyle::SP_DirOpenIcon)),
          currentIcon_(CurrentFolderIcon(style, palette)),
          folderIcon_(style.standardIcon(QStyle::SP_DirIcon)) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(entries_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) {
            return {};
        }
        const FolderEntry& entry = entries_[static_cast<size_t>(index.row())];
        switch (role) {
            case Qt::DisplayRole:
            case Qt::AccessibleTextRole:
                return Shown(entry.name);
            case Qt::AccessibleDescriptionRole:
                return entry.kind == FolderEntry::Kind::Current
                           ? QStringLiteral("current folder")
                           : (entry.kind == FolderEntry::Kind::Path ? QStringLiteral("open folder")
                                                                    : QStringLiteral("folder"));
            case Qt::DecorationRole:
                return entry.kind == FolderEntry::Kind::Current
                           ? currentIcon_
                           : (entry.kind == FolderEntry::Kind::Path ? pathIcon_ : folderIcon_);
            case kDepthRole:
                return entry.depth;
            case kPathRole:
                return QByteArray(entry.path.data(), static_cast<qsizetype>(entry.path.size()));
            default:
                return {};
        }
    }

    const std::vector<FolderEntry>& Entries() const { return entries_; }

    void SetEntries(std::vector<FolderEntry> entries) {
        beginResetModel();
        entries_ = std::move(entries);
        endResetModel();
    }

private:
    std::vector<FolderEntry> entries_;
    QIcon pathIcon_;
    QIcon currentIcon_;
    QIcon folderIcon_;
};

std::vector<FolderEntry> FolderListEntries(const std::string& drive, const std::string& directory,
                                           const std::vector<std::string>& subfolders) {
    std::vector<FolderEntry> entries;
    if (directory.empty()) {
        return entries;
    }
    if (drive.empty() || directory.compare(0, drive.size(), drive) != 0) {
        entries.push_back({directory, directory, 0, FolderEntry::Kind::Current});
    } else {
        entries.push_back({drive, drive, 0, FolderEntry::Kind::Path});
        std::string path = drive;
        size_t at = drive.size();
        while (at < directory.size()) {
            if (directory[at] == '/') {
                ++at;
                continue;
            }
            const size_t end = std::min(directory.find('/', at), directory.size());
            const std::string name = directory.substr(at, end - at);
            path = ChildPath(path, name);
            entries.push_back({path, name, entries.back().depth + 1, FolderEntry::Kind::Path});
            at = end;
        }
        entries.back().kind = FolderEntry::Kind::Current;
    }
    const int depth = entries.back().depth + 1;
    for (const std::string& name : subfolders) {
        entries.push_back({ChildPath(directory, name), name, depth, FolderEntry::Kind::Subfolder});
    }
    return entries;
}

TDirectoryListBox::TDirectoryListBox(QWidget* parent, VolumeState& volumes)
    : QListView(parent),
      volumes_(volumes),
      model_(new Model(*style(), palette(), this)),
      directory_(CurrentDirectory().value_or("")) {
    setModel(model_);
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setAccessibleName(QStringLiteral("Folders"));
    if (!directory_.empty()) {
        Rebuild(ReadSubfolders(directory_));
    }
}

void TDirectoryListBox::SetDirectory(const std::string& path) {
    if (path.empty() || SameFileName(path, directory_)) {
        return;
    }
    std::string folder = volumes_.Enter(WithoutTrailingSeparator(path));
    FolderScan scan = ScanFolder(folder);
    directory_ = std::move(folder);
    Rebuild(scan.subfolders);
    const auto offer = volumes_.OfferWavFiles(directory_, std::move(scan.wavFiles));
    if (onChange_) {
        onChange_();
    }
}

std::string TDirectoryListBox::Drive() const {
    return volumes_.DriveOf(directory_);
}

void TDirectoryListBox::SetDrive(const std::string& drive) {
    if (drive != Drive()) {
        SetDirectory(volumes_.CurrentFolderOn(drive));
    }
}

const std::vector<FolderEntry>& TDirectoryListBox::Entries() const {
    return model_->Entries();
}

void TDirectoryListBox::OpenEntry(int index) {
    if (index < 0 || index >= static_cast<int>(Entries().size())) {
        return;
    }
    const std::string path = Entries()[static_cast<size_t>(index)].path;
    RunUserAction(guard_, [this, &path] { SetDirectory(path); });
}

void TDirectoryListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && index.isValid()) {
        OpenEntry(index.row());
    }
}

void TDirectoryListBox::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        currentIndex().isValid()) {
        OpenEntry(currentIndex().row());
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void TDirectoryListBox::Rebuild(const std::vector<std::string>& subfolders) {
    model_->SetEntries(FolderListEntries(Drive(), directory_, subfolders));
    const std::vector<FolderEntry>& entries = Entries();
    currentEntry_ = -1;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].kind == FolderEntry::Kind::Current) {
            currentEntry_ = static_cast<int>(i);
        }
    }
    if (currentEntry_ >= 0) {
        const QModelIndex current = model_->index(currentEntry_);
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
        scrollTo(current);
    }
}

}  // namespace corvane
