#include "logview.h"

#include "logmodel.h"

#include "loglines.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

#include <functional>
#include <string>

using Gesture = std::function<void(LogView &)>;
Q_DECLARE_METATYPE(Gesture)

namespace {

QPoint rowCentre(const LogView &view, int row)
{
    return view.visualRect(view.model()->index(row, 0)).center();
}

} // namespace

class TestLogView : public QObject
{
    Q_OBJECT

private slots:
    void selecting_data()
    {
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<QString>("copied"); // empty: the whole log

        QTest::newRow("ctrl-a") << Gesture([](LogView &view) {
            QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
        }) << QString();
        QTest::newRow("keyboard-range") << Gesture([](LogView &view) {
            QTest::keyClick(&view, Qt::Key_Home);
            QTest::keyClick(&view, Qt::Key_Down);
            QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
        }) << "1\r\n2\r\n";
        QTest::newRow("mouse-drag-upwards") << Gesture([](LogView &view) {
            view.scrollToTop();
            QTest::mousePress(view.viewport(), Qt::LeftButton, {}, rowCentre(view, 3));
            QTest::mouseMove(view.viewport(), rowCentre(view, 1));
            QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, rowCentre(view, 1));
        }) << "1\r\n2\r\n3\r\n";
        QTest::newRow("ctrl-click-apart") << Gesture([](LogView &view) {
            view.scrollToTop();
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, rowCentre(view, 4));
            QTest::mouseClick(
                view.viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(view, 2));
        }) << "2\r\n4\r\n";
    }

    // The lines selected with the mouse or the keyboard are copied with Ctrl+C in the log's
    // order, each followed by CR LF, and assistive tools read each line as an item of its own.
    void selecting()
    {
        QFETCH(Gesture, gesture);
        QFETCH(QString, copied);

        quillet::LogLines lines;
        LogModel model(lines);
        LogView view;
        view.setModel(&model);
        view.resize(385, 137);
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        std::string all;
        for (int i = 0; i < 500; ++i) {
            lines.append(std::to_string(i));
            all += std::to_string(i) + "\r\n";
        }
        model.showLines(lines.size());
        if (copied.isEmpty())
            copied = QString::fromStdString(all);

        QGuiApplication::clipboard()->clear();
        gesture(view);
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), copied);

        QAccessibleInterface *const accessible = QAccessible::queryAccessibleInterface(&view);
        QVERIFY(accessible && accessible->tableInterface());
        QAccessibleTableInterface *const table = accessible->tableInterface();
        QCOMPARE(table->rowCount(), 500);
        QCOMPARE(table->cellAt(499, 0)->text(QAccessible::Name), QStringLiteral("499"));
        QCOMPARE(table->selectedCellCount(), int(copied.count(QStringLiteral("\r\n"))));
    }
};

QTEST_MAIN(TestLogView)
#include "logview_test.moc"
