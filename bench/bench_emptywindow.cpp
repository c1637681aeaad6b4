// bench_emptywindow: the yardstick for the program's memory, an empty Qt Widgets window with a
// chart view at the size of the main window. Prints "shown" once its window is up and quits after
// the number of seconds given (3 by default).

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QMainWindow>
#include <QTextStream>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int seconds = arguments.size() > 1 ? std::max(1, arguments.at(1).toInt()) : 3;

    QMainWindow window;
    auto *chartView = new QChartView(new QChart);
    window.setCentralWidget(chartView);
    window.resize(827, 690); // the main window's size
    window.show();

    QTimer::singleShot(0, &window, [] { QTextStream(stdout) << "shown" << Qt::endl; });
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    return app.exec();
}
