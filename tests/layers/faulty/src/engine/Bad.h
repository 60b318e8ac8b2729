#include <string>
#include "engine/Table.h"
#include "data/dbFiles.h"
#include <QString>
#include "engine/Files.h"
