// kvl-icons DIR NAME: writes the program's own drawn icon for the hicolor theme, as
// DIR/<size>x<size>/apps/NAME.png at each size a desktop asks for. Run at build time (the offscreen
// platform will do), so that the launcher's icons are the very picture the program's windows show.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "screen/Icons.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3) {
        std::fputs("usage: kvl-icons DIR NAME\n", stderr);
        return 2;
    }
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(args.at(1)).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(dir, args.at(2));
        if (!QDir().mkpath(dir) ||
            !kvl::DrawPicture(kvl::Picture::App, size).save(file, "PNG")) {
            std::fprintf(stderr, "kvl-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
