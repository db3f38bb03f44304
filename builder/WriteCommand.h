// The Write command: the builder's chain packs the listed files into the
// packed image in the temporary folder; the image is then written through
// the Writer dialog, logged, and the converted files are removed.
#pragma once
#include "BuildChain.h"
#include "CControls.h"

// window: the main window, owner of the messages and of the Writer dialog;
// result: the result label, which tells how far the command has got.
// request: the builder's values and lists (its output path is set here).
void RunWriteCommand(CWnd& window, CStatic& result, BuildRequest request, int flashTypeIndex,
                     const MediaConverters& converters);
