// F7: a new directory in the panel's current device directory.
#pragma once

#include "panel/panel_instance.h"

int MakeDirectory(PanelInstance& panel, char* name, int opMode);
