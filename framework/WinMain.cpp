// The process entry: hands over to the one application object.
#include "CWinApp.h"
#include "SystemLibraries.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    // Before anything loads a library by name.
    SearchSystemFolderOnly();
    return CWinApp::WinMainEntry(instance, commandLine);
}
