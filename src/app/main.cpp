// Placeholder until the main window lands: starts Qt and says the window is not built yet.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label("icogen: the main window is being built.");
    label.show();
    return app.exec();
}
