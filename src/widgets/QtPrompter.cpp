#include "widgets/QtPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

void QtPrompter::message(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool QtPrompter::askYesNo(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    return box.exec() == QMessageBox::Yes;
}

QString QtPrompter::openFileName(const QString &initialFolder, const QString &filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), initialFolder, filter);
}
