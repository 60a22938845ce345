// skylark: the desktop program.
#include "shell/ui/InterimWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    sky::ui::InterimWindow window;
    window.show();
    return app.exec();
}
