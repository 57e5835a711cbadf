#pragma once

#include <QFileDialog>
#include <QString>

class QWidget;

// Qt's own open-file dialog, which also takes the name of a file that does not exist once the
// user confirms it: the Windows dialog's create prompt. Nothing is created.
class OpenFileDialog : public QFileDialog
{
    Q_OBJECT

public:
    explicit OpenFileDialog(QWidget *parent, const QString &title);

protected:
    void accept() override;
};
