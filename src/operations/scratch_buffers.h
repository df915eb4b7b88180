// Scratch buffers of make-directory and the file operations, shared by one
// operation at a time; their contents are valid within one step only.
#pragma once

#include "vbwin32.h"

enum { PathScratchSize = 260, WidePathScratchSize = 260 };

extern char PathScratch[PathScratchSize];
extern WCHAR WidePathScratch[WidePathScratchSize];
