#include "formpickport.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace tovra {

namespace {

// The dialog's typeface is a Windows bitmap face; elsewhere the sans-serif face stands in.
QFont dialogFont(int pointSize, bool bold)
{
    QFont font(QStringLiteral("MS Sans Serif"), pointSize, bold ? QFont::Bold : QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace

TformPickPort::TformPickPort(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , OKBtn(new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                            QStringLiteral("OK"), this))
    , CancelBtn(new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                                QStringLiteral("Cancel"), this))
    , GroupBox1(new QGroupBox(QStringLiteral("Serial Port"), this))
    , listPorts(new QComboBox(GroupBox1))
    , devicePath(new QLabel(this))
{
    setWindowTitle(QStringLiteral("Select Serial Port"));
    setFixedSize(240, 104);
    setFont(dialogFont(8, true));

    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(149, 14, 77, 27);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(149, 46, 77, 27);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 130, 67);
    GroupBox1->setFont(dialogFont(10, false));

    listPorts->setObjectName(QStringLiteral("listPorts"));
    listPorts->setGeometry(11, 25, 108, 24);
    listPorts->setEditable(false);
    connect(listPorts, &QComboBox::currentIndexChanged, this, &TformPickPort::showChoice);

    devicePath->setObjectName(QStringLiteral("devicePath"));
    devicePath->setGeometry(8, 80, 224, 18);
    devicePath->setFont(dialogFont(8, false));
    devicePath->setTextFormat(Qt::PlainText);

    listPorts->setFocus();
    showChoice();
}

void TformPickPort::addPort(int number, const QString &path)
{
    listPorts->addItem(QStringLiteral("COM") + QString::number(number), number);
    listPorts->setItemData(listPorts->count() - 1, path, Qt::ToolTipRole);
    showChoice();
}

void TformPickPort::selectPort(int number)
{
    const int entry = listPorts->findData(number);
    listPorts->setCurrentIndex(entry >= 0 || listPorts->count() == 0 ? entry : 0);
}

std::optional<int> TformPickPort::chosenPort() const
{
    if (listPorts->currentIndex() < 0)
        return std::nullopt;
    return listPorts->currentData().toInt();
}

// OK follows the selection. A path too long for the line is shortened in the middle, where it
// differs least between ports; the whole path stays in the tooltip.
void TformPickPort::showChoice()
{
    OKBtn->setEnabled(listPorts->currentIndex() >= 0);
    if (listPorts->count() == 0) {
        devicePath->setText(QStringLiteral("No serial port can be opened."));
        devicePath->setToolTip(QString());
        return;
    }
    const QString path = listPorts->currentData(Qt::ToolTipRole).toString();
    devicePath->setText(QFontMetrics(devicePath->font()).elidedText(path, Qt::ElideMiddle, devicePath->width()));
    devicePath->setToolTip(path);
}

} // namespace tovra
