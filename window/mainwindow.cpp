#include "mainwindow.h"

#include "logmodel.h"
#include "logview.h"
#include "opendialog.h"

#include "checksession.h"
#include "checkview.h"
#include "windowform.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <cmath>
#include <string>
#include <vector>

namespace {

std::string toLocalPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

QString fromForm(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The name of the first local file dropped, if any, as the system's bytes: toLocalFile() would
// take the name for UTF-8 and lose any other byte, but the URL's encoded form keeps them all.
QByteArray droppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().isEmpty())
        return {};
    const QUrl first = data->urls().constFirst();
    if (!first.isLocalFile())
        return {};
    QByteArray path = QByteArray::fromPercentEncoding(first.path(QUrl::FullyEncoded).toLatin1());
    if (!first.host().isEmpty())
        path.prepend("//" + first.host().toUtf8());
    return path;
}

} // namespace

// Turns the session's calls into widget updates.
class MainWindow::SessionView : public quillet::CheckView
{
public:
    explicit SessionView(MainWindow &window)
        : m_window(window)
    {
        m_sinceShown.start();
    }

    void logAppended(std::size_t lineCount) override
    {
        m_pendingLines = lineCount;
        // A list view lays every row out again when rows are inserted, so during a check the new
        // lines are handed over once that has cost at most a tenth of the time since.
        if (!m_window.m_session->isChecking() || m_sinceShown.nsecsElapsed() >= 9 * m_showCost)
            showPendingLines();
    }
    void logCleared() override
    {
        m_pendingLines = 0;
        m_window.m_logModel->clear();
    }
    void setCheckEnabled(bool enabled) override
    {
        // A check has ended: its last lines are shown.
        if (enabled)
            showPendingLines();
        m_window.m_checkButton->setEnabled(enabled);
    }
    void processEvents() override { QCoreApplication::processEvents(); }

private:
    void showPendingLines()
    {
        QElapsedTimer clock;
        clock.start();
        m_window.m_logModel->showLines(m_pendingLines);
        // The scroll bar rather than the selection, so a selection the user is making survives.
        m_window.m_logView->scrollToBottom();
        m_showCost = clock.nsecsElapsed();
        m_sinceShown.restart();
    }

    MainWindow &m_window;
    std::size_t m_pendingLines = 0;
    QElapsedTimer m_sinceShown;
    qint64 m_showCost = 0; // nanoseconds
};

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent)
    , m_chartFrame(create<QGroupBox>("Frame1"))
    , m_pathLabel(create<QLabel>("Label1"))
    , m_pathEdit(create<QLineEdit>("Text2"))
    , m_browseButton(create<QPushButton>("Command2"))
    , m_logFrame(create<QGroupBox>("Frame2"))
    , m_logView(create<LogView>("Text1"))
    , m_siteLabel(create<QLabel>("Label2"))
    , m_checkButton(create<QPushButton>("Command1"))
    , m_view(std::make_unique<SessionView>(*this))
    , m_session(std::make_unique<quillet::CheckSession>(
          *m_view, toLocalPath(QCoreApplication::applicationDirPath())))
    , m_logModel(new LogModel(m_session->log(), this))
{
    // The layout is laid down in fixed places, so the font must be small enough for them.
    QFont small = font();
    small.setPointSize(8);
    small.setStretch(QFont::SemiCondensed);
    setFont(small);
    applyForm();

    // The site's address is shown, not offered as a link.
    m_siteLabel->setTextFormat(Qt::PlainText);
    m_siteLabel->setTextInteractionFlags(Qt::NoTextInteraction);
    m_browseButton->setAutoDefault(false);
    m_checkButton->setAutoDefault(false);
    m_logView->setModel(m_logModel);
    setAcceptDrops(true);

    connect(m_checkButton, &QPushButton::clicked, this, &MainWindow::runCheck);
    connect(m_browseButton, &QPushButton::clicked, this, &MainWindow::browseForChart);
    connect(m_pathEdit, &QLineEdit::returnPressed, this, &MainWindow::runCheck);
}

MainWindow::~MainWindow() = default;

template <class Widget> Widget *MainWindow::create(std::string_view objectName)
{
    const quillet::FormControl &control = quillet::formControl(objectName);
    QWidget *container = this;
    if (control.container != quillet::windowForm.front().objectName)
        container = findChild<QWidget *>(fromForm(control.container));
    auto *const widget = new Widget(container);
    widget->setObjectName(fromForm(objectName));
    return widget;
}

void MainWindow::applyForm()
{
    std::vector<QWidget *> tabOrder(quillet::windowForm.size(), nullptr);
    for (const quillet::FormControl &control : quillet::windowForm) {
        const QString caption = fromForm(control.caption);
        if (control.kind == quillet::ControlKind::Window) {
            setObjectName(fromForm(control.objectName));
            setWindowTitle(caption);
            setFixedSize(twips(control.width), twips(control.height));
            continue;
        }
        QWidget *const widget = findChild<QWidget *>(fromForm(control.objectName));
        widget->setGeometry(
            twips(control.left), twips(control.top), twips(control.width), twips(control.height));
        if (auto *const frame = qobject_cast<QGroupBox *>(widget))
            frame->setTitle(caption);
        else if (auto *const label = qobject_cast<QLabel *>(widget))
            label->setText(caption);
        else if (auto *const button = qobject_cast<QPushButton *>(widget))
            button->setText(caption);
        else if (auto *const edit = qobject_cast<QLineEdit *>(widget))
            edit->setText(caption);
        if (widget->focusPolicy() & Qt::TabFocus)
            tabOrder.at(std::size_t(control.tabIndex)) = widget;
    }
    std::erase(tabOrder, nullptr);
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void MainWindow::runCheck()
{
    const QString text = m_pathEdit->text();
    m_session->check(!m_chosenPath.isEmpty() && text == m_chosenText ? m_chosenPath.toStdString()
                                                                     : toLocalPath(text));
}

void MainWindow::browseForChart()
{
    const QString path = showOpenDialog(fromForm(quillet::chartDialog.title),
        fromForm(quillet::chartDialog.filter), QString(), this);
    if (!path.isEmpty())
        chooseChart(path);
}

void MainWindow::chooseChart(const QString &path)
{
    m_chosenPath.clear();
    m_chosenText.clear();
    m_pathEdit->setText(path);
    m_session->chartChosen();
}

void MainWindow::chooseLocalChart(const QByteArray &path)
{
    chooseChart(QFile::decodeName(path));
    m_chosenPath = path;
    m_chosenText = m_pathEdit->text();
}

void MainWindow::appendLog(std::string_view message)
{
    m_session->appendLog(message);
}

void MainWindow::clearLog()
{
    m_session->clearLog();
}

QString MainWindow::logText() const
{
    return QString::fromLocal8Bit(m_session->logText());
}

bool MainWindow::isChecking() const
{
    return m_session->isChecking();
}

void MainWindow::setScratchFolder(const QString &folder)
{
    m_session->setScratchFolder(toLocalPath(folder));
}

void MainWindow::setPumpInterval(std::chrono::milliseconds interval)
{
    m_session->setPumpInterval(interval);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The check unwinds at its next pump, deleting its scratch file, and the program then ends.
    m_session->close();
    QWidget::closeEvent(event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QByteArray path = droppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    chooseLocalChart(path);
}

int MainWindow::twips(int value) const
{
    return int(std::lround(double(value) * logicalDpiX() / quillet::twipsPerInch));
}
