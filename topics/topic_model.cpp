#include "topics/topic_model.h"

#include "topics/topic_row.h"

#include <QColor>

namespace topics {

void TopicModel::clear() {
    beginResetModel();
    headers_.clear();
    topics_.reset();
    committed_ = 0;
    endResetModel();
}

void TopicModel::setContent(QStringList headers,
                            std::shared_ptr<const corpus::TopicList> topics) {
    beginResetModel();
    headers_ = std::move(headers);
    committed_ = topics ? int(topics->size()) : 0;
    topics_ = std::move(topics);
    endResetModel();
}

int TopicModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : committed_;
}
int TopicModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(headers_.size());
}

const corpus::Topic* TopicModel::topic(int row) const {
    if (row < 0 || row >= committed_)
        return nullptr;
    return &topics_->topics[size_t(row)];
}

QString TopicModel::subItem(int row, int index) const {
    const corpus::Topic* t = topic(row);
    if (!t)
        return {};
    switch (index) {
    case 0:
        return rowText(t->no().qstring(), t->title().qstring());
    case 1:
        return t->blue().qstring();
    case 2:
        return fileMarker(t->no().qstring(), t->ownPage ? QStringLiteral("1") : QString());
    case 3:
        return t->red().qstring();
    case 4:
        return t->book().qstring();
    case 5:
        return t->page().qstring();
    case 6:
        return t->line().qstring();
    default:
        return {};
    }
}

QString TopicModel::toolTip(int row) const {
    const corpus::Topic* t = topic(row);
    return t ? t->title().qstring() : QString();
}

bool TopicModel::isRed(int row) const {
    const corpus::Topic* t = topic(row);
    return t && t->marked;
}

QVariant TopicModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= committed_)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return subItem(index.row(), index.column());
    case Qt::ToolTipRole:
        return index.column() == 0 ? QVariant(toolTip(index.row())) : QVariant();
    case Qt::ForegroundRole:
        if (index.column() == 0 && isRed(index.row()))
            return QColor(255, 0, 0);
        return {};
    default:
        return {};
    }
}

QVariant TopicModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headers_.size())
        return headers_[section];
    return {};
}

} // namespace topics
