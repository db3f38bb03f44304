// The files of a WM_DROPFILES message.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <string>
#include <vector>

// The full paths of the dropped files and folders, in the order given.
std::vector<std::wstring> DragQueryFiles(HDROP drop);
