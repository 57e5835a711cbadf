#include "logmodel.h"

#include "loglines.h"

#include <QString>

#include <algorithm>
#include <climits>
#include <string_view>

LogModel::LogModel(const quillet::LogLines &lines, QObject *parent)
    : QAbstractListModel(parent)
    , m_lines(lines)
{ }

void LogModel::showLines(std::size_t lineCount)
{
    // A view's rows are ints; a log past that shows its first INT_MAX lines.
    const int rows = int(std::min<std::size_t>(lineCount, INT_MAX));
    if (rows <= m_rows)
        return;
    beginInsertRows(QModelIndex(), m_rows, rows - 1);
    m_rows = rows;
    endInsertRows();
}

void LogModel::clear()
{
    beginResetModel();
    m_rows = 0;
    endResetModel();
}

int LogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

QVariant LogModel::data(const QModelIndex &index, int role) const
{
    // The lines are emptied before the model hears of it, so a row may be gone already.
    if (role != Qt::DisplayRole || !index.isValid() || std::size_t(index.row()) >= m_lines.size())
        return {};
    const std::string_view line = m_lines.line(std::size_t(index.row()));
    return QString::fromLocal8Bit(line.data(), qsizetype(line.size()));
}

Qt::ItemFlags LogModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}
