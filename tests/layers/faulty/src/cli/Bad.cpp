#include <QCoreApplication>
#include <QApplication>
#include "accounts/Ops.h"
#include "screen/Help.h"
