#include "canon/result_model.h"

#include <QPoint>
#include <memory>

namespace canon {

ResultModel::ResultModel(QObject* parent) : QAbstractItemModel(parent) {}

ResultModel::~ResultModel() {
    *stop_ = true;
    for (auto& [id, t] : readers_)
        t.join();
}

void ResultModel::fill(int volumeRow, const QString& file) const {
    if (filling_.contains(file))
        return;
    filling_.insert(file);
    const int id = nextReader_++;
    const quint64 generation = generation_;
    auto* self = const_cast<ResultModel*>(this);
    // Its own thread, joined when its lines are taken (or at the end): nothing of it runs
    // once the model is gone.
    readers_.emplace(id, std::thread([self, id, volumeRow, file, generation, q = query_, stop = stop_] {
        std::optional<std::vector<PageHit>> pages = linesOf(file, q, stop.get());
        {
            std::lock_guard<std::mutex> l(self->readMutex_);
            self->read_.push_back({id, volumeRow, file, generation, pages ? std::move(*pages) : std::vector<PageHit>()});
        }
        QMetaObject::invokeMethod(self, [self] { self->takeRead(); }, Qt::QueuedConnection);
    }));
}

void ResultModel::takeRead() {
    std::vector<Read> read;
    {
        std::lock_guard<std::mutex> l(readMutex_);
        read.swap(read_);
    }
    for (Read& r : read) {
        auto it = readers_.find(r.id);
        if (it != readers_.end()) {
            it->second.join();
            readers_.erase(it);
        }
        filled(r.volumeRow, r.file, r.generation, r.pages);
    }
}

void ResultModel::filled(int volumeRow, const QString& file, quint64 generation, const std::vector<PageHit>& pages) {
    filling_.remove(file);
    if (generation != generation_ || volumeRow < 0 || volumeRow >= int(volumes_.size()))
        return;
    Volume& v = volumes_[size_t(volumeRow)];
    std::vector<PageHit*> ofFile;
    int first = -1, last = -1;
    for (size_t i = 0; i < v.pages.size(); ++i)
        if (v.pages[i].lineLater && v.pages[i].file == file) {
            ofFile.push_back(&v.pages[i]);
            v.lines[i].reset();
            first = first < 0 ? int(i) : first;
            last = int(i);
        }
    takeLines(ofFile, pages);
    for (PageHit* h : ofFile)
        h->lineLater = false; // a file no longer read keeps its lines empty
    if (first >= 0) {
        const QModelIndex parent = index(volumeRow, 0);
        emit dataChanged(index(first, 1, parent), index(last, 1, parent));
    }
}

void ResultModel::clear() {
    ++generation_;
    filling_.clear();
    *stop_ = true;
    stop_ = std::make_shared<std::atomic<bool>>(false);
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
            fill(int(&v - volumes_.data()), v.pages[page].file);
            static const Snippet waiting{QStringLiteral("…"), {}};
            return waiting;
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
    ++generation_;
    filling_.clear();
    *stop_ = true;
    stop_ = std::make_shared<std::atomic<bool>>(false);
    beginResetModel();
    for (int k = row; k < row + count; ++k)
        pages_ -= long(volumes_[size_t(k)].pages.size());
    volumes_.erase(volumes_.begin() + row, volumes_.begin() + row + count);
    endResetModel();
    return true;
}

} // namespace canon
