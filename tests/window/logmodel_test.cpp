#include "logmodel.h"

#include "loglines.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <functional>

using Steps = std::function<void(quillet::LogLines &, LogModel &)>;
Q_DECLARE_METATYPE(Steps)

namespace {

void append(quillet::LogLines &lines, int count)
{
    for (int i = 0; i < count; ++i)
        lines.append("line " + std::to_string(lines.size()));
}

} // namespace

class TestLogModel : public QObject
{
    Q_OBJECT

private slots:
    void rows_data()
    {
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<int>>("lastInserted"); // since the last clear; empty for none

        QTest::newRow("a-batch") << Steps([](quillet::LogLines &lines, LogModel &model) {
            append(lines, 3);
            model.showLines(3);
        }) << QStringList {"line 0", "line 1", "line 2"}
                                 << QList {0, 2};
        QTest::newRow("lines-after-the-batch-wait") << Steps(
            [](quillet::LogLines &lines, LogModel &model) {
                append(lines, 2);
                model.showLines(1);
                append(lines, 1);
                model.showLines(2);
            }) << QStringList {"line 0", "line 1"} << QList {1, 1};
        QTest::newRow("a-batch-after-a-clear") << Steps(
            [](quillet::LogLines &lines, LogModel &model) {
                append(lines, 3);
                model.showLines(3);
                lines.clear();
                model.clear();
                lines.append("again");
                model.showLines(1);
            }) << QStringList {"again"} << QList {0, 0};
    }

    // The rows are the lines the model has been told of, announced as insertions at the end, and
    // none once the lines are emptied; the tester checks every answer the model gives a view.
    void rows()
    {
        QFETCH(Steps, steps);
        QFETCH(QStringList, rows);
        QFETCH(QList<int>, lastInserted);

        quillet::LogLines lines;
        LogModel model(lines);
        QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserted(&model, &LogModel::rowsInserted);
        connect(&model, &LogModel::modelReset, &model, [&inserted] { inserted.clear(); });
        steps(lines, model);

        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row)
            shown << model.index(row).data().toString();
        QCOMPARE(shown, rows);
        QList<int> last;
        if (!inserted.isEmpty())
            last = {inserted.last().at(1).toInt(), inserted.last().at(2).toInt()};
        QCOMPARE(last, lastInserted);
    }
};

QTEST_MAIN(TestLogModel)
#include "logmodel_test.moc"
