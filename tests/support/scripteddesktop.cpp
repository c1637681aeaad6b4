#include "scripteddesktop.h"

#include <QDialog>

namespace tovra::test {

void ScriptedDesktop::message(const QString &text)
{
    shown.append({QStringLiteral("message"), text});
    if (whileMessageOpen)
        whileMessageOpen(text);
}

Button ScriptedDesktop::warning(const QString &text, ButtonSet)
{
    shown.append({QStringLiteral("warning"), text});
    const int closedBefore = boxesClosed;
    if (whileWarningOpen)
        whileWarningOpen(text);
    if (boxesClosed != closedBefore)
        return Button::None;
    return warningAnswers.isEmpty() ? defaultButton : warningAnswers.takeFirst();
}

Button ScriptedDesktop::question(const QString &text)
{
    shown.append({QStringLiteral("question"), text});
    return questionAnswers.isEmpty() ? Button::No : questionAnswers.takeFirst();
}

QString ScriptedDesktop::inputText(const QString &title, const QString &prompt, const QString &defaultText)
{
    shown.append({QStringLiteral("input"), title + QLatin1Char('|') + prompt});
    return inputAnswers.isEmpty() ? defaultText : inputAnswers.takeFirst();
}

std::optional<QString> ScriptedDesktop::inputSecret(const QString &title, const QString &prompt)
{
    shown.append({QStringLiteral("input"), title + QLatin1Char('|') + prompt});
    const int closedBefore = boxesClosed;
    if (whileInputOpen)
        whileInputOpen(title);
    if (boxesClosed != closedBefore || inputAnswers.isEmpty())
        return std::nullopt;
    return inputAnswers.takeFirst();
}

QString ScriptedDesktop::saveFileName(const QString &caption, const QString &)
{
    shown.append({QStringLiteral("save"), caption});
    return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
}

QString ScriptedDesktop::openFileName(const QString &caption, const QString &)
{
    shown.append({QStringLiteral("open"), caption});
    return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
}

void ScriptedDesktop::openUrl(const QString &url)
{
    openedUrls.append(url);
}

int ScriptedDesktop::execDialog(QDialog &dialog)
{
    shown.append({QStringLiteral("dialog"), dialog.windowTitle()});
    return dialogHandler ? dialogHandler(dialog) : int(QDialog::Rejected);
}

void ScriptedDesktop::startNewInstance()
{
    ++newInstances;
}

void ScriptedDesktop::closeOpenBoxes()
{
    ++boxesClosed;
}

QStringList ScriptedDesktop::texts() const
{
    QStringList result;
    for (const Shown &s : shown)
        result.append(s.text);
    return result;
}

QStringList ScriptedDesktop::textsOf(const QString &kind) const
{
    QStringList result;
    for (const Shown &s : shown) {
        if (s.kind == kind)
            result.append(s.text);
    }
    return result;
}

} // namespace tovra::test
