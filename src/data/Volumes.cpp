#include "data/Volumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace kvl {

namespace {

RemovableTest& Installed() {
    static RemovableTest test;
    return test;
}

bool MarkedRemovable(const QString& sysDevice) {
    QFile flag(sysDevice + QStringLiteral("/removable"));
    if (!flag.open(QIODevice::ReadOnly)) return false;
    return flag.readAll().trimmed() == "1";
}

bool SystemAnswer(const QString& dir) {
    const QStorageInfo volume(dir);
    if (!volume.isValid()) return false;
    const QString device = QString::fromLocal8Bit(volume.device());
    if (!device.startsWith(QStringLiteral("/dev/"))) return false;
    const QString name = QFileInfo(device).fileName();
    if (name.startsWith(QStringLiteral("fd"))) return true;
    // A partition's flag is on the disk that holds it, one level up in sysfs.
    const QString sys = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (sys.isEmpty()) return false;
    return MarkedRemovable(sys) || MarkedRemovable(QFileInfo(sys).path());
}

}  // namespace

bool OnRemovableVolume(const QString& dir) {
    if (Installed()) return Installed()(dir);
    return SystemAnswer(dir);
}

RemovableTest SetRemovableTest(RemovableTest test) {
    RemovableTest previous = std::move(Installed());
    Installed() = std::move(test);
    return previous;
}

}  // namespace kvl
