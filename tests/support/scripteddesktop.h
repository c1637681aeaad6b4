#pragma once

#include "desktop.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace tovra::test {

// The test side of the Desktop seam: answers boxes and dialogs from scripts and records what the
// program asked, so that tests can assert on the texts and observe a restart without a process.
class ScriptedDesktop : public Desktop
{
public:
    struct Shown
    {
        QString kind; // "message", "warning", "question", "input", "save", "dialog"
        QString text;
    };

    void message(const QString &text) override;
    Button warning(const QString &text, ButtonSet buttons) override;
    Button question(const QString &text) override;
    QString inputText(const QString &title, const QString &prompt, const QString &defaultText) override;
    // Shown as an "input" too, answered from `inputAnswers`; once used up, Cancel.
    std::optional<QString> inputSecret(const QString &title, const QString &prompt) override;
    QString saveFileName(const QString &caption, const QString &filter) override;
    QString openFileName(const QString &caption, const QString &filter) override;
    void openUrl(const QString &url) override;
    int execDialog(QDialog &dialog) override;
    void startNewInstance() override;
    // A warning open at the time (inside `whileWarningOpen`) then answers None; an input box,
    // its default text (as Cancel does).
    void closeOpenBoxes() override;

    // Texts of every box shown, in order (all kinds).
    QStringList texts() const;
    QStringList textsOf(const QString &kind) const;

    QList<Shown> shown;
    // Answers given to warnings in order; once used up, `defaultButton` answers.
    QList<Button> warningAnswers;
    Button defaultButton = Button::None;
    // Called while a warning or a message is "open", before it answers (stands for the nested
    // event loop).
    std::function<void(const QString &text)> whileWarningOpen;
    std::function<void(const QString &text)> whileMessageOpen;
    // Called while an input box is "open"; closing the boxes then answers as Cancel does.
    std::function<void(const QString &title)> whileInputOpen;
    // Answers given to questions in order; once used up, No (the questions' default button).
    QList<Button> questionAnswers;
    QStringList inputAnswers;   // once used up, the default text is returned (Cancel)
    QStringList saveAnswers;    // once used up, the empty text (Cancel)
    QStringList openAnswers;    // file names for open-file dialogs; once used up, Cancel
    std::function<int(QDialog &)> dialogHandler; // without one, dialogs are rejected
    QStringList openedUrls;
    int newInstances = 0;
    int boxesClosed = 0; // calls of closeOpenBoxes
};

} // namespace tovra::test
