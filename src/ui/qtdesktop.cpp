#include "qtdesktop.h"

#include "screenfit.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
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

// Window managers cut a title wider than its window. The title is drawn in the window
// manager's own font, which the program cannot know: a bold face of the program's font plus
// room for the window's icon and buttons stands for it.
int widthForTitle(const QString &title)
{
    constexpr int iconAndButtons = 150;
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    return QFontMetrics(titleFont).horizontalAdvance(title) + iconAndButtons;
}

// Message and input boxes size themselves to their contents and override a minimum width; an
// empty row as wide as the title holds them open instead.
void widenForTitle(QDialog &box)
{
    auto *row = new QSpacerItem(widthForTitle(box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(row, grid->rowCount(), 0, 1, grid->columnCount());
    else if (box.layout())
        box.layout()->addItem(row);
    else
        delete row;
}

int runBox(QMessageBox &box)
{
    box.setTextFormat(Qt::PlainText);
    widenForTitle(box);
    keepFrameOnScreen(&box);
    return box.exec();
}

} // namespace

void QtDesktop::message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, parent);
    runBox(box);
}

Button QtDesktop::warning(const QString &text, ButtonSet buttons)
{
    QMessageBox box(QMessageBox::Warning, applicationTitle(), text, standardButtons(buttons), parent);
    return fromStandard(runBox(box));
}

QString QtDesktop::inputText(const QString &title, const QString &prompt, const QString &defaultText)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    dialog.sizeHint(); // the input dialog builds its layout on the first question about its size
    widenForTitle(dialog);
    keepFrameOnScreen(&dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : defaultText;
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
    keepFrameOnScreen(&dialog);
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
