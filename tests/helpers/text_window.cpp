// A small text window for the end-to-end tests: one line edit with the
// keyboard focus, whose text is printed on each change ("TEXT:<text>"), and
// which owns the clipboard at start with a plain text and an HTML format, so
// a test can check that both come back after a paste went through it.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLineEdit edit;
    edit.setWindowTitle(QStringLiteral("stamp-target"));
    edit.resize(400, 40);
    QObject::connect(&edit, &QLineEdit::textChanged, [](const QString& text) {
        std::printf("TEXT:%s\n", text.toUtf8().constData());
        std::fflush(stdout);
    });
    auto* mime = new QMimeData;
    mime->setText(QStringLiteral("前の内容"));
    mime->setHtml(QStringLiteral("<b>前の内容</b>"));
    QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    // Once the event loop runs.
    QTimer::singleShot(0, [] {
        std::printf("READY\n");
        std::fflush(stdout);
    });
    return app.exec();
}
