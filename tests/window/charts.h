#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// A chart whose first note block has one measure per entry, of that many rows.
inline QByteArray makeChart(const QList<int> &measureRows)
{
    QByteArray chart = "#TITLE:Test;\r\n#NOTES:\r\n     dance-single:\r\n     :\r\n";
    for (qsizetype i = 0; i < measureRows.size(); ++i) {
        if (i > 0)
            chart += ",\r\n";
        for (int row = 0; row < measureRows.at(i); ++row)
            chart += "0000\r\n";
    }
    chart += ";\r\n";
    return chart;
}

// Long enough that a check pumps events many times: every tenth of count measures has 7 rows.
inline QByteArray makeLongChart(int count = 20000)
{
    QList<int> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i)
        rows.append(i % 10 == 9 ? 7 : 4);
    return makeChart(rows);
}

inline bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}
