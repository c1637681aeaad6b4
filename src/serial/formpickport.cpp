#include "formpickport.h"

#include <QComboBox>
#include <QGroupBox>
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
{
    setWindowTitle(QStringLiteral("Select Serial Port"));
    setFixedSize(240, 93);
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

    OKBtn->setFocus();
}

} // namespace tovra
