#include "mainwindow.h"

#include "logpane.h"
#include "opendialog.h"

#include "checkrun.h"
#include "folderscratchfactory.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>
#include <iterator>
#include <string>

namespace {

constexpr int twipsPerInch = 1440;

std::string toLocalPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent)
    , m_chartFrame(new QGroupBox(QStringLiteral("Select SM File (Single BPM)"), this))
    , m_pathLabel(new QLabel(QStringLiteral("Target SM:"), m_chartFrame))
    , m_pathEdit(new QLineEdit(m_chartFrame))
    , m_browseButton(new QPushButton(QStringLiteral("..."), m_chartFrame))
    , m_logFrame(new QGroupBox(QStringLiteral("Logs"), this))
    , m_logPane(new LogPane(m_logFrame))
    , m_siteLabel(new QLabel(QStringLiteral("www.vorblen.com"), this))
    , m_checkButton(new QPushButton(QStringLiteral("Check file"), this))
    , m_scratchFolder(QCoreApplication::applicationDirPath())
{
    setObjectName(QStringLiteral("Form1"));
    m_chartFrame->setObjectName(QStringLiteral("Frame1"));
    m_pathLabel->setObjectName(QStringLiteral("Label1"));
    m_pathEdit->setObjectName(QStringLiteral("Text2"));
    m_browseButton->setObjectName(QStringLiteral("Command2"));
    m_logFrame->setObjectName(QStringLiteral("Frame2"));
    m_logPane->setObjectName(QStringLiteral("Text1"));
    m_siteLabel->setObjectName(QStringLiteral("Label2"));
    m_checkButton->setObjectName(QStringLiteral("Command1"));

    setWindowTitle(QStringLiteral("Quillet v1.0"));
    // The layout is laid down in fixed places, so the font must be small enough for them.
    QFont small = font();
    small.setPointSize(8);
    small.setStretch(QFont::SemiCondensed);
    setFont(small);

    // The site's address is shown, not offered as a link.
    m_siteLabel->setTextFormat(Qt::PlainText);
    m_siteLabel->setTextInteractionFlags(Qt::NoTextInteraction);

    place(m_chartFrame, 120, 120, 6015, 735);
    place(m_pathLabel, 120, 240, 855, 255);
    place(m_pathEdit, 960, 240, 4455, 285);
    place(m_browseButton, 5520, 240, 375, 255);
    place(m_logFrame, 120, 960, 6015, 2415);
    place(m_logPane, 120, 240, 5775, 2055);
    place(m_siteLabel, 120, 3600, 1935, 255);
    place(m_checkButton, 4440, 3480, 1695, 375);
    setFixedSize(twips(6255), twips(3915));

    m_browseButton->setAutoDefault(false);
    m_checkButton->setAutoDefault(false);
    setTabOrder(m_pathEdit, m_browseButton);
    setTabOrder(m_browseButton, m_logPane);
    setTabOrder(m_logPane, m_checkButton);

    connect(m_checkButton, &QPushButton::clicked, this, &MainWindow::runCheck);
    connect(m_browseButton, &QPushButton::clicked, this, &MainWindow::browseForChart);
}

void MainWindow::runCheck()
{
    // A nested check would truncate the scratch file that this one is still reading.
    if (m_checking)
        return;
    m_checking = true;
    m_abandoned = false;
    m_checkButton->setEnabled(false);

    const std::string path = toLocalPath(m_pathEdit->text());
    quillet::FolderScratchFactory scratch(toLocalPath(m_scratchFolder));
    quillet::CheckRun check(*this, scratch, this);
    m_sincePump.start();
    // Every outcome, a failure included, has already been reported in the log by the check.
    static_cast<void>(check.run(path));
    if (!m_abandoned)
        m_logPane->flush();

    m_checking = false;
    m_checkButton->setEnabled(true);
}

void MainWindow::browseForChart()
{
    static constexpr char16_t chartFilter[] = u"Step Mania Single BPM File(*.sm)\0*.sm";
    const QString path = showOpenDialog(QStringLiteral("Select SM"),
        QString::fromUtf16(chartFilter, std::size(chartFilter) - 1), QString(), this);
    if (path.isEmpty())
        return;
    m_pathEdit->setText(path);
    clearLog();
}

void MainWindow::appendLog(std::string_view message)
{
    m_logPane->appendLog(QString::fromLocal8Bit(message.data(), qsizetype(message.size())));
    // During a check the lines are batched up to the next pump.
    if (!m_checking)
        m_logPane->flush();
}

void MainWindow::clearLog()
{
    if (m_checking)
        m_abandoned = true;
    m_logPane->clearLog();
}

QString MainWindow::logText() const
{
    return m_logPane->logText();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The check unwinds at its next pump, deleting its scratch file, and the program then ends.
    if (m_checking)
        m_abandoned = true;
    QWidget::closeEvent(event);
}

void MainWindow::addMessage(std::string_view message)
{
    if (!m_abandoned)
        appendLog(message);
}

bool MainWindow::processEvents()
{
    if (m_abandoned)
        return false;
    // Handling events costs microseconds and a chart has millions of lines, so only by the clock.
    if (m_sincePump.elapsed() < m_pumpInterval.count())
        return true;
    m_logPane->flush();
    QCoreApplication::processEvents();
    m_sincePump.start();
    return !m_abandoned;
}

int MainWindow::twips(int value) const
{
    return int(std::lround(double(value) * logicalDpiX() / twipsPerInch));
}

void MainWindow::place(QWidget *widget, int left, int top, int width, int height) const
{
    widget->setGeometry(twips(left), twips(top), twips(width), twips(height));
}
