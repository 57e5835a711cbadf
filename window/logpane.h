#pragma once

#include <QAbstractScrollArea>
#include <QString>

#include <cstddef>

class QWidget;

namespace quillet {
class LogLines;
}

// The read-only log: a view of lines held elsewhere, one per row, newest at the bottom. It draws
// only the rows in sight, so a log of millions of lines costs it nothing more than a short one.
// Whole lines are selected with the mouse or the keyboard and copied each followed by CR LF.
class LogPane : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit LogPane(QWidget *parent = nullptr);

    /// The lines shown; they must outlive the pane or be replaced first.
    void setLines(const quillet::LogLines *lines);
    /// The lines grew: shows them and brings the newest into view, keeping the selection.
    void linesAppended();
    /// The lines were emptied.
    void linesCleared();

    void selectAll();
    /// Puts the selected lines on the clipboard, each followed by CR LF.
    void copy() const;
    /// The selected lines, each followed by CR LF; empty without a selection.
    QString selectedText() const;
    /// The whole log, each line followed by CR LF.
    QString logText() const;
    /// The selected lines [first, last); false without a selection.
    bool selectedLines(std::size_t &first, std::size_t &last) const;
    const quillet::LogLines *lines() const { return m_lines; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    std::size_t lineCount() const;
    int rowHeight() const;
    int visibleRows() const;
    std::size_t lineAt(int y) const;
    void moveCurrent(std::size_t line, bool extend);
    void updateScrollBars();
    void notifyAccessibility();
    QByteArray selectedBytes() const;

    const quillet::LogLines *m_lines = nullptr;
    std::size_t m_measuredLines = 0; // lines whose length has been looked at for the width
    std::size_t m_longestLine = 0; // in bytes
    int m_widestLine = 0; // in pixels: the widest of the lines that set a new length
    bool m_hasSelection = false;
    std::size_t m_anchor = 0;
    std::size_t m_current = 0;
};
