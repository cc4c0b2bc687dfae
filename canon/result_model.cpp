#include "canon/result_model.h"

#include <QPoint>

namespace canon {

ResultModel::ResultModel(QObject* parent) : QAbstractItemModel(parent) {}

void ResultModel::clear() {
    beginResetModel();
    volumes_.clear();
    pages_ = 0;
    endResetModel();
}

void ResultModel::addVolume(VolumeHits v) {
    if (v.pages.empty())
        return;
    const int row = int(volumes_.size());
    beginInsertRows({}, row, row);
    Volume vol{v.volume, v.hits(), std::move(v.pages), {}};
    vol.lines.resize(vol.pages.size());
    pages_ += long(vol.pages.size());
    volumes_.push_back(std::move(vol));
    endInsertRows();
}

// A page row's internal id is its volume's row, plus one; a volume row's is 0.
QModelIndex ResultModel::index(int row, int column, const QModelIndex& parent) const {
    if (column < 0 || column > 1 || row < 0)
        return {};
    if (!parent.isValid())
        return row < int(volumes_.size()) ? createIndex(row, column, quintptr(0)) : QModelIndex();
    if (parent.internalId() != 0 || parent.row() >= int(volumes_.size()))
        return {};
    if (row >= int(volumes_[size_t(parent.row())].pages.size()))
        return {};
    return createIndex(row, column, quintptr(parent.row() + 1));
}

QModelIndex ResultModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == 0)
        return {};
    return createIndex(int(child.internalId() - 1), 0, quintptr(0));
}

int ResultModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return int(volumes_.size());
    if (parent.internalId() != 0 || parent.column() != 0 || parent.row() >= int(volumes_.size()))
        return 0;
    return int(volumes_[size_t(parent.row())].pages.size());
}

int ResultModel::columnCount(const QModelIndex&) const {
    return 2;
}

const Snippet& ResultModel::line(const Volume& v, size_t page) const {
    std::optional<Snippet>& l = v.lines[page];
    if (!l) {
        if (v.pages[page].lineLater) {
            // One reading of the file gives the lines of all its pages.
            std::vector<PageHit*> ofFile;
            for (PageHit& h : v.pages)
                if (h.lineLater && h.file == v.pages[page].file)
                    ofFile.push_back(&h);
            if (!fillLines(v.pages[page].file, query_, ofFile))
                for (PageHit* h : ofFile)
                    h->lineLater = false;
        }
        l = snippetOf(v.pages[page]);
    }
    return *l;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (index.internalId() == 0) {
        const Volume& v = volumes_[size_t(index.row())];
        if (role == VolumeRole)
            return v.volume;
        if (role == Qt::DisplayRole && index.column() == 0)
            return QStringLiteral("พระไตรปิฎกเล่มที่ %1 — %2 แห่ง").arg(v.volume).arg(v.hits);
        return {};
    }
    const Volume& v = volumes_[size_t(index.internalId() - 1)];
    const PageHit& h = v.pages[size_t(index.row())];
    switch (role) {
    case VolumeRole:
        return h.volume;
    case FileRole:
        return h.file;
    case PageRole:
        return h.page;
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (index.column() == 0)
            return h.page.isEmpty() ? QStringLiteral("ต้นไฟล์") : QStringLiteral("หน้า ") + h.page;
        return line(v, size_t(index.row())).text;
    case MarksRole: {
        if (index.column() != 1)
            return {};
        QVariantList marks;
        for (const auto& [from, length] : line(v, size_t(index.row())).marks)
            marks << QPoint(from, length);
        return marks;
    }
    default:
        return {};
    }
}

QVariant ResultModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? QStringLiteral("เล่ม / หน้า") : QStringLiteral("ข้อความ");
}

bool ResultModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > int(volumes_.size()))
        return false;
    // A page's index names its volume by row: when volumes go, every index is new.
    beginResetModel();
    for (int k = row; k < row + count; ++k)
        pages_ -= long(volumes_[size_t(k)].pages.size());
    volumes_.erase(volumes_.begin() + row, volumes_.begin() + row + count);
    endResetModel();
    return true;
}

} // namespace canon
