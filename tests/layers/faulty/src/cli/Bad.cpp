#include <QCoreApplication>
#include <QApplication>
#include "accounts/Ops.h"
#include "engine/Files.h"
#include "screen/Help.h"
