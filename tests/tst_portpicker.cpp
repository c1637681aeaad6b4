#include "formpickport.h"
#include "rawpty.h"
#include "desktoplinkprompts.h"
#include "rzcomport.h"
#include "scripteddesktop.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>

namespace tovra::test {

namespace {

QString entryText(int port)
{
    return QStringLiteral("COM%1").arg(port);
}

QStringList entriesOf(const QComboBox &list, int role = Qt::DisplayRole)
{
    QStringList entries;
    for (int i = 0; i < list.count(); ++i)
        entries.append(list.itemData(i, role).toString());
    return entries;
}

} // namespace

class PortPickerTest : public QObject
{
    Q_OBJECT
private slots:
    void dialogHasItsFixedLayout();
    void entriesFitTheListAndThePathStandsUnderIt_data();
    void entriesFitTheListAndThePathStandsUnderIt();
    void pickOffersThePortsThatOpen_data();
    void pickOffersThePortsThatOpen();
    void theListHoldsTheKeysSoDownMovesTheSelectionAndEnterConfirmsIt();
    void anEmptyListSaysSoAndEnterLeavesTheDialogOpen();
};

void PortPickerTest::dialogHasItsFixedLayout()
{
    TformPickPort dialog;

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Select Serial Port"));
    QCOMPARE(dialog.minimumSize(), QSize(240, 104));
    QCOMPARE(dialog.maximumSize(), QSize(240, 104));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(dialog.font().bold());
    QCOMPARE(dialog.findChild<QPushButton *>("OKBtn"), dialog.OKBtn);
    QCOMPARE(dialog.OKBtn->geometry(), QRect(149, 14, 77, 27));
    QVERIFY(dialog.OKBtn->isDefault());
    QCOMPARE(dialog.findChild<QPushButton *>("CancelBtn"), dialog.CancelBtn);
    QCOMPARE(dialog.CancelBtn->geometry(), QRect(149, 46, 77, 27));
    QCOMPARE(dialog.findChild<QGroupBox *>("GroupBox1"), dialog.GroupBox1);
    QCOMPARE(dialog.GroupBox1->title(), QStringLiteral("Serial Port"));
    QCOMPARE(dialog.GroupBox1->geometry(), QRect(8, 8, 130, 67));
    QVERIFY(!dialog.GroupBox1->font().bold());
    QCOMPARE(dialog.GroupBox1->findChild<QComboBox *>("listPorts"), dialog.listPorts);
    QCOMPARE(dialog.listPorts->geometry(), QRect(11, 25, 108, 24));
    QVERIFY(!dialog.listPorts->isEditable());
    QCOMPARE(dialog.findChild<QLabel *>("devicePath"), dialog.devicePath);
    QCOMPARE(dialog.devicePath->geometry(), QRect(8, 80, 224, 18));
    QCOMPARE(dialog.devicePath->textFormat(), Qt::PlainText);
}

void PortPickerTest::entriesFitTheListAndThePathStandsUnderIt_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("pathFits");

    QTest::newRow("a board port") << 1 << "/dev/ttyS0" << true;
    QTest::newRow("an adapter") << 33 << "/dev/ttyUSB0" << true;
    QTest::newRow("port 100 in a deep folder")
        << 100 << "/tmp/a-very-long-folder-name-for-the-ports-of-one-test/another-level/com100" << false;
}

void PortPickerTest::entriesFitTheListAndThePathStandsUnderIt()
{
    QFETCH(int, port);
    QFETCH(QString, path);
    QFETCH(bool, pathFits);
    TformPickPort dialog;
    dialog.addPort(port, path);
    dialog.addPort(port == 1 ? 2 : 1, QStringLiteral("/dev/other"));
    dialog.selectPort(port);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QCOMPARE(dialog.listPorts->currentText(), entryText(port));
    QCOMPARE(dialog.listPorts->currentData(Qt::ToolTipRole).toString(), path);
    QStyleOptionComboBox option;
    option.initFrom(dialog.listPorts);
    const QRect textRoom = dialog.listPorts->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                                     QStyle::SC_ComboBoxEditField, dialog.listPorts);
    QVERIFY(dialog.listPorts->fontMetrics().horizontalAdvance(dialog.listPorts->currentText()) <= textRoom.width());
    QCOMPARE(dialog.devicePath->toolTip(), path);
    QCOMPARE(dialog.devicePath->text() == path, pathFits);
    QVERIFY(dialog.devicePath->fontMetrics().horizontalAdvance(dialog.devicePath->text()) <= dialog.devicePath->width());
    QCOMPARE(dialog.chosenPort(), std::optional<int>(port));
}

void PortPickerTest::pickOffersThePortsThatOpen_data()
{
    QTest::addColumn<QList<int>>("plugged");
    QTest::addColumn<int>("heldElsewhere");
    QTest::addColumn<int>("currentPort");
    QTest::addColumn<QList<int>>("listed");
    QTest::addColumn<int>("preselected");
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("closedWith");
    QTest::addColumn<bool>("picked");
    QTest::addColumn<int>("portNumber");

    QTest::addColumn<int>("result");

    constexpr int open = -1; // OK took no press: the dialog is still there
    QTest::newRow("two ports, the first preselected, the second chosen")
        << QList<int>{3, 12} << 0 << 1 << QList<int>{3, 12} << 0 << 1 << "OK" << true << 12 << int(QDialog::Accepted);
    QTest::newRow("the first port preselected, OK alone")
        << QList<int>{3, 12} << 0 << 1 << QList<int>{3, 12} << 0 << 0 << "OK" << true << 3 << int(QDialog::Accepted);
    QTest::newRow("current port preselected, OK alone")
        << QList<int>{3} << 0 << 3 << QList<int>{3} << 0 << 0 << "OK" << true << 3 << int(QDialog::Accepted);
    QTest::newRow("port 100 chosen")
        << QList<int>{100} << 0 << 1 << QList<int>{100} << 0 << 0 << "OK" << true << 100 << int(QDialog::Accepted);
    QTest::newRow("a port held elsewhere is missing")
        << QList<int>{3, 12} << 3 << 1 << QList<int>{12} << 0 << 0 << "OK" << true << 12 << int(QDialog::Accepted);
    QTest::newRow("cancel keeps the port")
        << QList<int>{3} << 0 << 1 << QList<int>{3} << 0 << 0 << "Cancel" << false << 1 << int(QDialog::Rejected);
    QTest::newRow("escape keeps the port")
        << QList<int>{3} << 0 << 1 << QList<int>{3} << 0 << 0 << "Escape" << false << 1 << int(QDialog::Rejected);
    QTest::newRow("OK takes no press with nothing selected")
        << QList<int>{3, 12} << 0 << 1 << QList<int>{3, 12} << 0 << -1 << "OK" << false << 1 << open;
    QTest::newRow("no port opens: OK takes no press")
        << QList<int>{} << 0 << 7 << QList<int>{} << -1 << -1 << "OK" << false << 7 << open;
    QTest::newRow("no port opens: cancel")
        << QList<int>{} << 0 << 7 << QList<int>{} << -1 << -1 << "Cancel" << false << 7 << int(QDialog::Rejected);
}

void PortPickerTest::pickOffersThePortsThatOpen()
{
    QFETCH(QList<int>, plugged);
    QFETCH(int, heldElsewhere);
    QFETCH(int, currentPort);
    QFETCH(QList<int>, listed);
    QFETCH(int, preselected);
    QFETCH(int, choice);
    QFETCH(QString, closedWith);
    QFETCH(bool, picked);
    QFETCH(int, portNumber);
    QFETCH(int, result);
    PortFolder folder;
    for (int number : plugged)
        folder.plug(number);
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    TRZComPort holder(prompts);
    if (heldElsewhere) {
        holder.setPort(heldElsewhere);
        QVERIFY(holder.Open());
    }
    QStringList offered;
    QStringList offeredPaths;
    int selectedWhenShown = -2;
    QPointer<QDialog> shown;
    int closedResult = -1;
    bool okTookPresses = false;
    desktop.dialogHandler = [&](QDialog &dialog) {
        shown = &dialog;
        auto *list = dialog.findChild<QComboBox *>("listPorts");
        offered = entriesOf(*list);
        offeredPaths = entriesOf(*list, Qt::ToolTipRole);
        selectedWhenShown = list->currentIndex();
        list->setCurrentIndex(choice);
        okTookPresses = dialog.findChild<QPushButton *>("OKBtn")->isEnabled();
        dialog.setResult(closedResult);
        if (closedWith == QLatin1String("Escape"))
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.findChild<QPushButton *>(closedWith + QLatin1String("Btn"))->click();
        closedResult = dialog.result();
        return closedResult;
    };
    TRZComPort port(prompts);
    port.setPort(currentPort);

    QCOMPARE(port.Pick(), picked);

    QCOMPARE(closedResult, result);
    QCOMPARE(okTookPresses, choice >= 0);

    QStringList expected;
    QStringList expectedPaths;
    for (int number : listed) {
        expected.append(entryText(number));
        expectedPaths.append(folder.pathOf(number));
    }
    QCOMPARE(offered, expected);
    QCOMPARE(offeredPaths, expectedPaths);
    QCOMPARE(selectedWhenShown, preselected);
    QCOMPARE(port.Port(), portNumber);
    QVERIFY(!port.Opened());
    QVERIFY(port.ShowErrors());
    QVERIFY(shown.isNull());
    QCOMPARE(desktop.texts(), QStringList{"Select Serial Port"});
}

// The first Down is the operator's first move through the list, not a jump of the focus to Cancel.
void PortPickerTest::theListHoldsTheKeysSoDownMovesTheSelectionAndEnterConfirmsIt()
{
    TformPickPort dialog;
    for (int port : {3, 12, 40})
        dialog.addPort(port, QStringLiteral("/dev/com%1").arg(port));
    dialog.selectPort(1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    QCOMPARE(QApplication::focusWidget(), dialog.listPorts);
    QCOMPARE(dialog.chosenPort(), std::optional<int>(3));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(dialog.chosenPort(), std::optional<int>(12));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
}

void PortPickerTest::anEmptyListSaysSoAndEnterLeavesTheDialogOpen()
{
    TformPickPort dialog;
    dialog.selectPort(1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    QVERIFY(!dialog.OKBtn->isEnabled());
    QCOMPARE(dialog.devicePath->text(), QStringLiteral("No serial port can be opened."));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
}

} // namespace tovra::test

QTEST_MAIN(tovra::test::PortPickerTest)
#include "tst_portpicker.moc"
