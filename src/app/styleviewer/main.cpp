// skylark-style-viewer: shows the program's themes with a preview and writes
// the chosen name as the first line of the answer file named by "f=".
#include "shell/Startup.h"
#include "shell/ui/StyleViewerWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const sky::ThemeViewerRequest request = sky::ParseThemeViewerArguments(app.arguments().mid(1));
    sky::ui::StyleViewerWindow window(request);
    window.show();
    return app.exec();
}
