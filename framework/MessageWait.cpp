#include "MessageWait.h"

void WaitServingMessages(HANDLE object)
{
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &object, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0)
            break;
        if (woken != WAIT_OBJECT_0 + 1) {
            ::WaitForSingleObject(object, INFINITE);
            break;
        }
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (quit)
        ::PostQuitMessage(static_cast<int>(quitCode));
}
