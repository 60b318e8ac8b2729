#include <QString>
#include <QDialog>
#include "accounts/Ops.h"
#include "accounts/Window.h"
#include "screen/FormParts.h"
#include "entry/EntryOps.h"
#include "engine/Files.h"
