// The Qt side of the desktop seam as the operator sees it: boxes wide enough for their titles.

#include "qtdesktop.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>

using namespace tovra;

class QtDesktopTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void narrowBoxIsWideEnoughForItsWholeTitle_data();
    void narrowBoxIsWideEnoughForItsWholeTitle();
    void secretFieldHidesWhatIsTyped_data();
    void secretFieldHidesWhatIsTyped();
    void questionAnswersNoToEnter_data();
    void questionAnswersNoToEnter();
};

void QtDesktopTest::initTestCase()
{
    QApplication::setApplicationName(QStringLiteral("Tovra Laser Control"));
}

void QtDesktopTest::narrowBoxIsWideEnoughForItsWholeTitle_data()
{
    QTest::addColumn<std::function<void(QtDesktop &)>>("open");
    QTest::addColumn<QString>("title");
    QTest::newRow("About box") << std::function<void(QtDesktop &)>([](QtDesktop &desktop) { desktop.message("Ok"); })
                               << QStringLiteral("Tovra Laser Control");
    QTest::newRow("Unsecure Form") << std::function<void(QtDesktop &)>([](QtDesktop &desktop) {
        desktop.inputText(QStringLiteral("Unsecure Form"), QStringLiteral("Enter Code:"), QString());
    }) << QStringLiteral("Unsecure Form");
    QTest::newRow("Password Entry") << std::function<void(QtDesktop &)>([](QtDesktop &desktop) {
        desktop.inputText(QStringLiteral("Password Entry"), QStringLiteral("Enter Password:"), QString());
    }) << QStringLiteral("Password Entry");
}

// A window manager draws the title in a bold face beside the window's icon and its three
// buttons; all of it must fit the box's width.
void QtDesktopTest::narrowBoxIsWideEnoughForItsWholeTitle()
{
    QFETCH(std::function<void(QtDesktop &)>, open);
    QFETCH(QString, title);
    QtDesktop desktop;
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const int needed = QFontMetrics(titleFont).horizontalAdvance(title) + 4 * 24;

    int width = 0;
    QString shownTitle;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        QWidget *box = QApplication::activeModalWidget();
        QTRY_VERIFY(box->isVisible());
        width = box->width();
        shownTitle = box->windowTitle();
        box->close();
    });
    open(desktop);

    QCOMPARE(shownTitle, title);
    QVERIFY2(width >= needed, qPrintable(QStringLiteral("%1 < %2").arg(width).arg(needed)));
}

void QtDesktopTest::secretFieldHidesWhatIsTyped_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<std::optional<QString>>("answer");

    QTest::newRow("Enter gives the text") << int(Qt::Key_Return) << std::optional<QString>(QStringLiteral("sesame"));
    QTest::newRow("Escape cancels") << int(Qt::Key_Escape) << std::optional<QString>();
}

void QtDesktopTest::secretFieldHidesWhatIsTyped()
{
    QFETCH(int, key);
    QtDesktop desktop;
    QLineEdit::EchoMode echo = QLineEdit::Normal;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        auto *field = QApplication::activeModalWidget()->findChild<QLineEdit *>();
        QVERIFY(field);
        echo = field->echoMode();
        QTest::keyClicks(field, QStringLiteral("sesame"));
        QTest::keyClick(field, Qt::Key(key));
    });
    const std::optional<QString> answer = desktop.inputSecret(QStringLiteral("Password Entry"), QStringLiteral("Enter Password:"));
    QCOMPARE(echo, QLineEdit::Password);
    QTEST(answer, "answer");
}

void QtDesktopTest::questionAnswersNoToEnter_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<Button>("answer");
    QTest::newRow("Enter keeps things as they are") << QList<int>{Qt::Key_Return} << Button::No;
    QTest::newRow("Y answers Yes") << QList<int>{Qt::Key_Y} << Button::Yes;
    QTest::newRow("Escape answers no button") << QList<int>{Qt::Key_Escape} << Button::None;
}

// A question before something that cannot be undone: the operator who presses Enter without
// reading it loses nothing.
void QtDesktopTest::questionAnswersNoToEnter()
{
    QFETCH(QList<int>, keys);
    QtDesktop desktop;
    QString shownText;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        shownText = box->text();
        for (int key : keys)
            QTest::keyClick(box, Qt::Key(key));
    });

    const Button answer = desktop.question(QStringLiteral("Clear the shot counter (12 shots)?"));

    QCOMPARE(shownText, QStringLiteral("Clear the shot counter (12 shots)?"));
    QTEST(answer, "answer");
}

QTEST_MAIN(QtDesktopTest)
#include "tst_qtdesktop.moc"
