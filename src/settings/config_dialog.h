// The configuration dialog: the seven settings in one host dialog.
#pragma once

// Returns 1 when confirmed (settings stored in memory and written), else 0.
int ShowConfigDialog();
