// The Write and Save commands: the builder's chain packs the listed files
// into the packed image in the temporary folder; the Write then writes it
// through the Writer dialog, logged, the Save copies it where the user
// chose. The converted files are removed either way.
#pragma once
#include "BuildChain.h"
#include "CControls.h"
#include <string>

// window: the main window, owner of the messages and of the Writer dialog;
// result: the result label, which tells how far the command has got.
// request: the builder's values and lists (its output path is set here).
// capacityBits: the flash chosen in the download panel; a packed image that
// would run past its end is written or saved only when the user says so.

// What the chain refuses before converting, told as the Write tells it;
// false when the request may go on.
bool RefuseBuildRequest(CWnd& window, CStatic& result, const BuildRequest& request);

void RunWriteCommand(CWnd& window, CStatic& result, BuildRequest request, int flashTypeIndex, int capacityBits,
                     const MediaConverters& converters);

// The very bytes the Write would program, saved whole at target (the old
// file there stays as it was unless the save completes); true when saved.
bool RunSaveCommand(CWnd& window, CStatic& result, BuildRequest request, int capacityBits,
                    const MediaConverters& converters, const std::wstring& target);
