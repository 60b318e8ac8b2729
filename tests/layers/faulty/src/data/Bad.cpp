#include <QString>
#include <QWidget>
#include "engine/Table.h"
#include "screen/MaskEdit.h"
#include "engine/Files.h"
