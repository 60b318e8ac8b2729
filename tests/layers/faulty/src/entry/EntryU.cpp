#include "entry/EntryOps.h"
#include "accounts/Window.h"
#include "app/MainU.h"
#include "cli/Commands.h"
