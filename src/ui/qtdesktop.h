#pragma once

#include "desktop.h"

#include <QLineEdit>

class QWidget;

namespace tovra {

// The Desktop seam as the operator meets it: Qt message boxes, input dialogs, file dialogs, the
// desktop's URL handler, and a detached new process of the program's own executable.
class QtDesktop : public Desktop
{
public:
    // Boxes are centred on `parentWindow` once it exists; before that, on the screen.
    void setParentWindow(QWidget *window) { parent = window; }

    void message(const QString &text) override;
    Button warning(const QString &text, ButtonSet buttons) override;
    Button question(const QString &text) override;
    QString inputText(const QString &title, const QString &prompt, const QString &defaultText) override;
    std::optional<QString> inputSecret(const QString &title, const QString &prompt) override;
    QString saveFileName(const QString &caption, const QString &filter) override;
    QString openFileName(const QString &caption, const QString &filter) override;
    void openUrl(const QString &url) override;
    int execDialog(QDialog &dialog) override;
    void startNewInstance() override;
    void closeOpenBoxes() override;

private:
    // Nothing when the dialog was not accepted.
    std::optional<QString> askText(const QString &title, const QString &prompt, const QString &defaultText,
                                   QLineEdit::EchoMode echo);

    QWidget *parent = nullptr;
};

} // namespace tovra
