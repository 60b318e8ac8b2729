// Removable volumes, the diskettes of a backup that spans several disks.
//
// A directory is on a removable volume when the block device of the mounted volume holding it is
// marked removable by the kernel, or is a floppy device. Tests may stand in for the system's
// answer.
#pragma once

#include <QString>
#include <functional>

namespace kvl {

bool OnRemovableVolume(const QString& dir);

using RemovableTest = std::function<bool(const QString& dir)>;
// Installs test (empty restores the system's answer). Returns the previous one.
RemovableTest SetRemovableTest(RemovableTest test);

}  // namespace kvl
