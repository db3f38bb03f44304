// The process entry: hands over to the one application object.
#include "CWinApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    return CWinApp::WinMainEntry(instance, commandLine);
}
