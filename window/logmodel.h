#pragma once

#include <QAbstractListModel>

#include <cstddef>

namespace quillet {
class LogLines;
}

// The log's lines as a list model, one row a line: a view of the lines the check session holds,
// which copies none of them. Rows are announced in batches, as the session hands them over.
class LogModel : public QAbstractListModel
{
    Q_OBJECT

public:
    /// lines must outlive the model.
    explicit LogModel(const quillet::LogLines &lines, QObject *parent = nullptr);

    const quillet::LogLines &lines() const { return m_lines; }

    /// The lines have grown to lineCount: the rows up to it are inserted at the end.
    void showLines(std::size_t lineCount);
    /// The lines were emptied.
    void clear();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    const quillet::LogLines &m_lines;
    int m_rows = 0; // the rows announced; the lines may already be more
};
