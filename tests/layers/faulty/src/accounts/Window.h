#include <QDialog>
#include "accounts/Ops.h"
#include "entry/EntryOps.h"
#include "screen/PickList.h"
