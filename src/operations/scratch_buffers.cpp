#include "operations/scratch_buffers.h"

char PathScratch[PathScratchSize];
WCHAR WidePathScratch[WidePathScratchSize];
