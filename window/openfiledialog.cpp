#include "openfiledialog.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

OpenFileDialog::OpenFileDialog(QWidget *parent, const QString &title)
    : QFileDialog(parent, title)
{
    // The widget dialog behaves alike on every desktop, and tests can drive it.
    setOption(QFileDialog::DontUseNativeDialog);
    // A link is returned as itself, as the Windows dialog returns a shortcut.
    setOption(QFileDialog::DontResolveSymlinks);
    // The descriptions already name their patterns, as on Windows.
    setOption(QFileDialog::HideNameFilterDetails);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::AnyFile);
}

void OpenFileDialog::accept()
{
    const QStringList files = selectedFiles();
    if (files.size() == 1) {
        const QFileInfo chosen(files.constFirst());
        // A dangling link is a file of its own, not a name to create.
        if (!chosen.exists() && !chosen.isSymLink()) {
            const QString question = tr("%1\nThis file does not exist.\nDo you want to create it?")
                                         .arg(QDir::toNativeSeparators(chosen.fileName()));
            if (QMessageBox::question(this, windowTitle(), question,
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
                != QMessageBox::Yes)
                return;
        }
    }
    QFileDialog::accept();
}
