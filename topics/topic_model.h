#pragma once
// The rows of the topic list over the result they came from: a row refers to its record
// and the texts are composed when the view asks for them, so a fill of many thousand
// rows costs little more than the query.
#include "corpus/topic_list.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <memory>
#include <vector>

namespace topics {

class TopicModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    // Removes every column and row.
    void clear();
    // The columns, and one topic row per topic of the list in the list's order.
    void setContent(QStringList headers, std::shared_ptr<const corpus::TopicList> topics);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    // The row's text (index 0) or sub-item 1 to 6, as the list holds them.
    QString subItem(int row, int index) const;
    QString toolTip(int row) const;
    bool isRed(int row) const;

  private:
    const corpus::Topic* topic(int row) const;

    std::shared_ptr<const corpus::TopicList> topics_;
    QStringList headers_;
    int committed_ = 0;
};

} // namespace topics
