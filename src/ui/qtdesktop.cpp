#include "qtdesktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace tovra {

namespace {

QMessageBox::StandardButtons standardButtons(ButtonSet buttons)
{
    switch (buttons) {
    case ButtonSet::Ok:
        return QMessageBox::Ok;
    case ButtonSet::AbortRetry:
        return QMessageBox::Abort | QMessageBox::Retry;
    case ButtonSet::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case ButtonSet::YesNoIgnore:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

Button fromStandard(int button)
{
    switch (button) {
    case QMessageBox::Ok:
        return Button::Ok;
    case QMessageBox::Cancel:
        return Button::Cancel;
    case QMessageBox::Yes:
        return Button::Yes;
    case QMessageBox::No:
        return Button::No;
    case QMessageBox::Ignore:
        return Button::Ignore;
    case QMessageBox::Abort:
        return Button::Abort;
    case QMessageBox::Retry:
        return Button::Retry;
    default:
        return Button::None;
    }
}

QString applicationTitle()
{
    return QCoreApplication::applicationName();
}

} // namespace

void QtDesktop::message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

Button QtDesktop::warning(const QString &text, ButtonSet buttons)
{
    QMessageBox box(QMessageBox::Warning, applicationTitle(), text, standardButtons(buttons), parent);
    box.setTextFormat(Qt::PlainText);
    return fromStandard(box.exec());
}

QString QtDesktop::inputText(const QString &title, const QString &prompt, const QString &defaultText)
{
    bool accepted = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &accepted);
    return accepted ? text : defaultText;
}

QString QtDesktop::saveFileName(const QString &caption, const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, QString(), filter);
}

void QtDesktop::openUrl(const QString &url)
{
    QDesktopServices::openUrl(QUrl(url));
}

int QtDesktop::execDialog(QDialog &dialog)
{
    return dialog.exec();
}

// A message box's result is the standard button chosen; 0 (no button) answers None.
void QtDesktop::closeOpenBoxes()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || !window->isModal())
            continue;
        if (auto *dialog = qobject_cast<QDialog *>(window))
            dialog->done(0);
        else
            window->close();
    }
}

void QtDesktop::startNewInstance()
{
    QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
}

} // namespace tovra
