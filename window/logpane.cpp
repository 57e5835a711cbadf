#include "logpane.h"

#include "loglines.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr int margin = 3; // between the frame and the text
constexpr int topMargin = 2;

QString fromLog(std::string_view bytes)
{
    return QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
}

// What assistive tools read: the log's text, each line followed by CR LF, and the selection.
class LogPaneAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit LogPaneAccessible(LogPane *pane)
        : QAccessibleWidget(pane, QAccessible::EditableText)
    { }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return pane()->logText();
        return QAccessibleWidget::text(kind);
    }

    void selection(int index, int *start, int *end) const override
    {
        *start = *end = 0;
        std::size_t first = 0;
        std::size_t last = 0;
        if (index != 0 || !pane()->selectedLines(first, last))
            return;
        const quillet::LogLines &lines = *pane()->lines();
        *start = int(fromLog(lines.text(0, first)).size());
        *end = *start + int(fromLog(lines.text(first, last)).size());
    }
    int selectionCount() const override
    {
        std::size_t first = 0;
        std::size_t last = 0;
        return pane()->selectedLines(first, last) ? 1 : 0;
    }
    void addSelection(int, int) override { }
    void removeSelection(int) override { }
    void setSelection(int, int, int) override { }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override { }
    QString text(int startOffset, int endOffset) const override
    {
        return pane()->logText().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(pane()->logText().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override { }
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

private:
    LogPane *pane() const { return static_cast<LogPane *>(widget()); }
};

QAccessibleInterface *accessibleLogPane(const QString &className, QObject *object)
{
    if (className == QLatin1String("LogPane") && object && object->isWidgetType())
        return new LogPaneAccessible(static_cast<LogPane *>(object));
    return nullptr;
}

} // namespace

LogPane::LogPane(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    static const bool accessibleInstalled = [] {
        QAccessible::installFactory(accessibleLogPane);
        return true;
    }();
    static_cast<void>(accessibleInstalled);

    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);

    auto *const copyAction = new QAction(tr("&Copy"), this);
    auto *const selectAllAction = new QAction(tr("Select All"), this);
    connect(copyAction, &QAction::triggered, this, &LogPane::copy);
    connect(selectAllAction, &QAction::triggered, this, &LogPane::selectAll);
    addActions({copyAction, selectAllAction});
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void LogPane::setLines(const quillet::LogLines *lines)
{
    m_lines = lines;
    linesCleared();
    linesAppended();
}

void LogPane::linesAppended()
{
    const std::size_t count = lineCount();
    const QFontMetrics metrics = fontMetrics();
    // Measuring every line would cost more than the check; a new longest one is measured.
    for (; m_measuredLines < count; ++m_measuredLines) {
        const std::string_view line = m_lines->line(m_measuredLines);
        if (line.size() > m_longestLine) {
            m_longestLine = line.size();
            m_widestLine = std::max(m_widestLine, metrics.horizontalAdvance(fromLog(line)));
        }
    }
    updateScrollBars();
    // The scroll bar rather than the selection, so a selection the user is making survives.
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
    notifyAccessibility();
}

void LogPane::linesCleared()
{
    m_measuredLines = m_longestLine = 0;
    m_widestLine = 0;
    m_hasSelection = false;
    m_anchor = m_current = 0;
    updateScrollBars();
    viewport()->update();
    notifyAccessibility();
}

void LogPane::notifyAccessibility()
{
    // Assistive tools read the text again when told; working out what changed would cost a pass
    // over the whole log.
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(this, QAccessible::VisibleDataChanged);
    QAccessible::updateAccessibility(&event);
}

void LogPane::selectAll()
{
    if (lineCount() == 0)
        return;
    m_hasSelection = true;
    m_anchor = 0;
    m_current = lineCount() - 1;
    viewport()->update();
}

void LogPane::copy() const
{
    if (!m_hasSelection)
        return;
    // The bytes go as they are: a QString of millions of lines would double what they cost.
    auto *const data = new QMimeData;
    data->setData(QStringLiteral("text/plain"), selectedBytes());
    QGuiApplication::clipboard()->setMimeData(data);
}

QString LogPane::selectedText() const
{
    const QByteArray bytes = selectedBytes();
    return QString::fromLocal8Bit(bytes);
}

QString LogPane::logText() const
{
    return m_lines ? fromLog(m_lines->text(0, m_lines->size())) : QString();
}

bool LogPane::selectedLines(std::size_t &first, std::size_t &last) const
{
    if (!m_hasSelection || lineCount() == 0)
        return false;
    first = std::min(m_anchor, m_current);
    last = std::max(m_anchor, m_current) + 1;
    return true;
}

QByteArray LogPane::selectedBytes() const
{
    std::size_t first = 0;
    std::size_t last = 0;
    if (!selectedLines(first, last))
        return {};
    QByteArray bytes(qsizetype(m_lines->textSize(first, last)), Qt::Uninitialized);
    char *out = bytes.data();
    for (std::size_t index = first; index < last; ++index) {
        const std::string_view line = m_lines->line(index);
        std::memcpy(out, line.data(), line.size());
        out += line.size();
        *out++ = '\r';
        *out++ = '\n';
    }
    return bytes;
}

void LogPane::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const std::size_t count = lineCount();
    const int height = rowHeight();
    const int left = margin - horizontalScrollBar()->value();
    const int width = viewport()->width();
    const std::size_t first = std::size_t(verticalScrollBar()->value());
    const std::size_t selectedFirst = std::min(m_anchor, m_current);
    const std::size_t selectedLast = std::max(m_anchor, m_current);
    for (int row = 0; row <= visibleRows() && first + std::size_t(row) < count; ++row) {
        const std::size_t index = first + std::size_t(row);
        const QRect rect(0, topMargin + row * height, width, height);
        const bool selected = m_hasSelection && index >= selectedFirst && index <= selectedLast;
        if (selected)
            painter.fillRect(rect, palette().brush(QPalette::Highlight));
        painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(rect.adjusted(left, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
            fromLog(m_lines->line(index)));
    }
}

void LogPane::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void LogPane::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::SelectAll) {
        selectAll();
        return;
    }
    if (event == QKeySequence::Copy) {
        copy();
        return;
    }
    const std::size_t count = lineCount();
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const std::size_t page = std::size_t(std::max(1, visibleRows() - 1));
    const std::size_t current
        = m_hasSelection ? m_current : std::size_t(verticalScrollBar()->value());
    switch (event->key()) {
    case Qt::Key_Up:
        moveCurrent(current > 0 ? current - 1 : 0, extend);
        break;
    case Qt::Key_Down:
        moveCurrent(m_hasSelection ? current + 1 : current, extend);
        break;
    case Qt::Key_PageUp:
        moveCurrent(current > page ? current - page : 0, extend);
        break;
    case Qt::Key_PageDown:
        moveCurrent(current + page, extend);
        break;
    case Qt::Key_Home:
        moveCurrent(0, extend);
        break;
    case Qt::Key_End:
        moveCurrent(count, extend);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void LogPane::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    moveCurrent(lineAt(event->position().toPoint().y()),
        m_hasSelection && (event->modifiers() & Qt::ShiftModifier));
}

void LogPane::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        moveCurrent(lineAt(event->position().toPoint().y()), true);
}

std::size_t LogPane::lineCount() const
{
    return m_lines ? m_lines->size() : 0;
}

int LogPane::rowHeight() const
{
    return std::max(1, fontMetrics().lineSpacing());
}

int LogPane::visibleRows() const
{
    return (viewport()->height() - topMargin) / rowHeight();
}

std::size_t LogPane::lineAt(int y) const
{
    y -= topMargin;
    const long long row = verticalScrollBar()->value() + (y < 0 ? -1 : y / rowHeight());
    return std::size_t(std::max(0LL, row));
}

void LogPane::moveCurrent(std::size_t line, bool extend)
{
    const std::size_t count = lineCount();
    if (count == 0)
        return;
    line = std::min(line, count - 1);
    if (!extend || !m_hasSelection)
        m_anchor = line;
    m_current = line;
    m_hasSelection = true;
    // Keep the current line in sight.
    QScrollBar *const bar = verticalScrollBar();
    const int rows = std::max(1, visibleRows());
    if (line < std::size_t(bar->value()))
        bar->setValue(int(line));
    else if (line >= std::size_t(bar->value() + rows))
        bar->setValue(int(line) - rows + 1);
    viewport()->update();
}

void LogPane::updateScrollBars()
{
    const int rows = std::max(1, visibleRows());
    const long long hidden = (long long)lineCount() - rows;
    verticalScrollBar()->setRange(0, int(std::clamp(hidden, 0LL, (long long)INT_MAX)));
    verticalScrollBar()->setPageStep(rows);
    verticalScrollBar()->setSingleStep(1);
    const int width = viewport()->width();
    horizontalScrollBar()->setRange(0, std::max(0, m_widestLine + 2 * margin - width));
    horizontalScrollBar()->setPageStep(width);
}
