// A window that takes any drop and prints what it received, for checking drags out of the app on
// a real window system: "ready" once shown, then per drop one line "drop <action>" followed by
// one line per URL. Usage: aru-drop-target X Y WIDTH HEIGHT
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

class DropTarget : public QWidget {
public:
    DropTarget() { setAcceptDrops(true); }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override {
        const char* action = event->proposedAction() == Qt::CopyAction   ? "copy"
                             : event->proposedAction() == Qt::MoveAction ? "move"
                                                                         : "other";
        std::printf("drop %s\n", action);
        for (const QUrl& url : event->mimeData()->urls())
            std::printf("%s\n", url.toString(QUrl::FullyEncoded).toUtf8().constData());
        std::fflush(stdout);
        event->acceptProposedAction();
    }
    void showEvent(QShowEvent*) override {
        QTimer::singleShot(100, [] {
            std::printf("ready\n");
            std::fflush(stdout);
        });
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    DropTarget target;
    if (args.size() == 5)
        target.setGeometry(args[1].toInt(), args[2].toInt(), args[3].toInt(), args[4].toInt());
    target.show();
    return app.exec();
}
