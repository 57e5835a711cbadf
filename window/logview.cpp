#include "logview.h"

#include "logmodel.h"

#include "loglines.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

LogView::LogView(QWidget *parent)
    : QListView(parent)
{
    // Every row as high as the first: the view then never asks the model for the others' sizes.
    setUniformItemSizes(true);
    // By the item, the scroll bar is worked out from every row's place again on each update.
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto *const copyAction = new QAction(tr("&Copy"), this);
    auto *const selectAllAction = new QAction(tr("Select All"), this);
    connect(copyAction, &QAction::triggered, this, &LogView::copy);
    connect(selectAllAction, &QAction::triggered, this, &LogView::selectAll);
    addActions({copyAction, selectAllAction});
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void LogView::copy() const
{
    const QByteArray text = selectedText();
    if (text.isEmpty())
        return;
    // The bytes go as they are: a QString of millions of lines would double what they cost.
    auto *const data = new QMimeData;
    data->setData(QStringLiteral("text/plain"), text);
    QGuiApplication::clipboard()->setMimeData(data);
}

QByteArray LogView::selectedText() const
{
    const auto *const logModel = qobject_cast<const LogModel *>(model());
    if (!logModel || !selectionModel())
        return {};
    // The selection's ranges, not its indexes: every line of a long log is millions of indexes.
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    for (const QItemSelectionRange &range : selectionModel()->selection())
        ranges.emplace_back(std::size_t(range.top()), std::size_t(range.bottom()) + 1);
    std::ranges::sort(ranges);
    const quillet::LogLines &lines = logModel->lines();
    std::size_t bytes = 0;
    std::size_t copiedTo = 0;
    for (auto &[first, last] : ranges) {
        first = std::max(first, copiedTo); // ranges may overlap; each line goes once
        last = std::max(first, std::min(last, lines.size()));
        bytes += lines.textSize(first, last);
        copiedTo = std::max(copiedTo, last);
    }
    QByteArray text(qsizetype(bytes), Qt::Uninitialized);
    char *out = text.data();
    for (const auto &[first, last] : ranges) {
        for (std::size_t index = first; index < last; ++index) {
            const std::string_view line = lines.line(index);
            std::memcpy(out, line.data(), line.size());
            out += line.size();
            *out++ = '\r';
            *out++ = '\n';
        }
    }
    return text;
}

void LogView::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::Copy) {
        copy();
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}
