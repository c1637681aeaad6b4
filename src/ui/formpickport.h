#pragma once

#include <QDialog>

#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace tovra {

// The small modal dialog in which the operator chooses a serial port. The list names the ports
// "COM" + number; the device behind the chosen one is shown under the list (and as each item's
// tooltip), so that no entry is cut off by the narrow list.
//
// The list opens with an entry selected and holds the keyboard, so that Down moves the selection
// at once and Enter confirms what is shown; OK takes no press while no entry is selected (an
// empty list), so Enter can never end the choice without a port.
class TformPickPort : public QDialog
{
    Q_OBJECT
public:
    explicit TformPickPort(QWidget *parent = nullptr);

    void addPort(int number, const QString &devicePath);
    // Selects the entry of `number`; the first entry when it is not listed.
    void selectPort(int number);
    // The port of the selected entry; nothing when none is selected.
    std::optional<int> chosenPort() const;

    QPushButton *const OKBtn;
    QPushButton *const CancelBtn;
    QGroupBox *const GroupBox1;
    QComboBox *const listPorts;
    QLabel *const devicePath;

private:
    void showChoice();
};

} // namespace tovra
