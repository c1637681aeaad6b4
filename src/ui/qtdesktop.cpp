#include "qtdesktop.h"

#include "screenfit.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMap>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

namespace tovra {

namespace {

struct Choice
{
    Button button;
    const char *caption;
};

// The buttons of each set, left to right as the operator reads them.
QList<Choice> choicesOf(ButtonSet buttons)
{
    switch (buttons) {
    case ButtonSet::Ok:
        return {{Button::Ok, "OK"}};
    case ButtonSet::AbortRetry:
        return {{Button::Abort, "&Abort"}, {Button::Retry, "&Retry"}};
    case ButtonSet::YesNo:
        return {{Button::Yes, "&Yes"}, {Button::No, "&No"}};
    case ButtonSet::YesNoIgnore:
        return {{Button::Yes, "&Yes"}, {Button::No, "&No"}, {Button::Ignore, "&Ignore"}};
    }
    return {{Button::Ok, "OK"}};
}

// Enter answers what the operator most likely wants: go on (Retry, Yes, OK).
bool isDefault(Button button)
{
    return button == Button::Retry || button == Button::Yes || button == Button::Ok;
}

// A warning box whose buttons stand in the order given (all of one role, so no platform layout
// reorders them), and which a closing without a button, by Escape or the title bar, answers with
// no button at all instead of the box's guess at a "No".
class WarningBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->matches(QKeySequence::Cancel)) {
            reject();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }

    void closeEvent(QCloseEvent *event) override { QDialog::closeEvent(event); }
};

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
    WarningBox box(QMessageBox::Warning, applicationTitle(), text, QMessageBox::NoButton, parent);
    QMap<QAbstractButton *, Button> answers;
    for (const Choice &choice : choicesOf(buttons)) {
        QPushButton *pushButton = box.addButton(QString::fromLatin1(choice.caption), QMessageBox::ActionRole);
        answers.insert(pushButton, choice.button);
        if (isDefault(choice.button))
            box.setDefaultButton(pushButton);
    }
    runBox(box);
    return answers.value(box.clickedButton(), Button::None);
}

Button QtDesktop::question(const QString &text)
{
    WarningBox box(QMessageBox::Question, applicationTitle(), text, QMessageBox::NoButton, parent);
    QPushButton *yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::ActionRole);
    QPushButton *no = box.addButton(QStringLiteral("&No"), QMessageBox::ActionRole);
    box.setDefaultButton(no);
    runBox(box);
    return box.clickedButton() == yes ? Button::Yes : box.clickedButton() == no ? Button::No : Button::None;
}

std::optional<QString> QtDesktop::askText(const QString &title, const QString &prompt, const QString &defaultText,
                                           QLineEdit::EchoMode echo)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextEchoMode(echo);
    dialog.setTextValue(defaultText);
    dialog.sizeHint(); // the input dialog builds its layout on the first question about its size
    widenForTitle(dialog);
    keepFrameOnScreen(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

QString QtDesktop::inputText(const QString &title, const QString &prompt, const QString &defaultText)
{
    return askText(title, prompt, defaultText, QLineEdit::Normal).value_or(defaultText);
}

std::optional<QString> QtDesktop::inputSecret(const QString &title, const QString &prompt)
{
    return askText(title, prompt, QString(), QLineEdit::Password);
}

QString QtDesktop::saveFileName(const QString &caption, const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, QString(), filter);
}

QString QtDesktop::openFileName(const QString &caption, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
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

// A box closed this way had no button clicked: it answers None, and the code that opened it winds
// down.
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
