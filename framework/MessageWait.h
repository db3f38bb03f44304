// Waiting on the user-interface thread for a thread that may still need it.
#pragma once
#include <windows.h>

// Waits until the object is signalled while serving this thread's messages,
// so that a worker that shows a message box owned by one of its windows, or
// sends one of them a message, can still finish. A quit request met on the
// way is posted again for the loop outside.
void WaitServingMessages(HANDLE object);
