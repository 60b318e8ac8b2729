#include <QDialog>
#include "data/Clock.h"
#include "accounts/AccountU.h"
#include "engine/Files.h"
