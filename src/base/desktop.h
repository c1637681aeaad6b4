#pragma once

#include <QString>

#include <optional>

class QDialog;

namespace tovra {

// The buttons of the program's modal boxes. A box closed without a button answers None.
enum class Button { None, Ok, Cancel, Yes, No, Ignore, Abort, Retry };

enum class ButtonSet { Ok, AbortRetry, YesNo, YesNoIgnore };

// Everything that waits for the operator or leaves the process goes through this one seam: modal
// boxes and input dialogs run nested event loops, and a restart starts a new process. The program
// installs the Qt implementation; tests install a scripted one that answers from a list and records
// what was asked.
class Desktop
{
public:
    virtual ~Desktop() = default;

    // A plain modal message with one confirming button.
    virtual void message(const QString &text) = 0;
    // A modal warning with the given buttons; returns the button chosen.
    virtual Button warning(const QString &text, ButtonSet buttons) = 0;
    // A modal question answered Yes or No, before something that cannot be undone: No is the
    // default button, so Enter leaves things as they are. A box closed without a button answers
    // None.
    virtual Button question(const QString &text) = 0;
    // A modal one-line text input. Returns the text entered, or the default on Cancel.
    virtual QString inputText(const QString &title, const QString &prompt, const QString &defaultText) = 0;
    // A modal one-line input whose field hides what is typed. The text entered, or nothing when
    // the operator cancelled or closed the dialog.
    virtual std::optional<QString> inputSecret(const QString &title, const QString &prompt) = 0;
    // A save-file dialog; an empty result means the operator cancelled.
    virtual QString saveFileName(const QString &caption, const QString &filter) = 0;
    // An open-file dialog for an existing file; an empty result means the operator cancelled.
    virtual QString openFileName(const QString &caption, const QString &filter) = 0;
    // Hands a web location to the desktop's default handler.
    virtual void openUrl(const QString &url) = 0;
    // Runs a dialog of the program's own modally and returns its result code (QDialog::Accepted or
    // Rejected). Tests answer it by working the dialog's controls instead.
    virtual int execDialog(QDialog &dialog) = 0;
    // Starts the program's own executable again as a new process, without arguments.
    virtual void startNewInstance() = 0;
    // Closes every box and dialog that is open, as if closed without a button (the program is
    // being ended by a signal and no one may be there to answer).
    virtual void closeOpenBoxes() = 0;
};

} // namespace tovra
