#include "LogModel.h"

void LogModel::append(const QString& line)
{
    const int row = int(lines_.size());
    beginInsertRows({}, row, row);
    lines_.append(line);
    endInsertRows();
}

void LogModel::clear()
{
    beginResetModel();
    lines_.clear();
    endResetModel();
}

int LogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(lines_.size());
}

QVariant LogModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || index.row() < 0 || index.row() >= lines_.size())
        return {};
    return lines_.at(index.row());
}
