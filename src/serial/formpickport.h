#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QPushButton;

namespace tovra {

// The small modal dialog in which the operator chooses a serial port. It only holds the controls;
// TRZComPort::Pick fills the list and reads the choice.
class TformPickPort : public QDialog
{
    Q_OBJECT
public:
    explicit TformPickPort(QWidget *parent = nullptr);

    QPushButton *const OKBtn;
    QPushButton *const CancelBtn;
    QGroupBox *const GroupBox1;
    QComboBox *const listPorts;
};

} // namespace tovra
