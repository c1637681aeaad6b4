#include "qtdesktop.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
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

} // namespace

void QtDesktop::message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

Button QtDesktop::warning(const QString &text, ButtonSet buttons)
{
    WarningBox box(QMessageBox::Warning, applicationTitle(), text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QMap<QAbstractButton *, Button> answers;
    for (const Choice &choice : choicesOf(buttons)) {
        QPushButton *pushButton = box.addButton(QString::fromLatin1(choice.caption), QMessageBox::ActionRole);
        answers.insert(pushButton, choice.button);
        if (isDefault(choice.button))
            box.setDefaultButton(pushButton);
    }
    box.exec();
    return answers.value(box.clickedButton(), Button::None);
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

void QtDesktop::startNewInstance()
{
    QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
}

} // namespace tovra
