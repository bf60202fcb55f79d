// The smallest Qt Widgets program with a window: one label, shown at once.
// The start-up benchmark measures the player against it; its label names the
// file it was given, as the player's window does.
#include <QApplication>
#include <QFileInfo>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QLabel label(arguments.size() > 1 ? QFileInfo(arguments[1]).fileName()
                                      : QStringLiteral("メモタップ"));
    label.show();
    return app.exec();
}
