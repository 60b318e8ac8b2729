#include "accounts/Window.h"
#include "entry/EntryU.h"
#include "screen/Help.h"
#include "engine/Files.h"
