#pragma once
#include <QAbstractListModel>
#include <QStringList>

// The log pane's lines: append-only, emptied only as a whole, cheap at a million lines.
class LogModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void append(const QString& line);
    void clear();
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QStringList lines_;
};
