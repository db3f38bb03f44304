// Shows every custom control in one window for a few seconds, for a look at
// the real drawing (take a screenshot while it runs). Not a test.
// Arguments: the seconds to stay (5), and anything to open the format list.
#include "C_CenterComboBox.h"
#include "C_ColorStatic.h"
#include "C_DecEdit.h"
#include "C_HexEdit.h"
#include "C_PreViewWnd.h"
#include "CTextProgressCtrl.h"
#include "ColorMath.h"
#include "HostWindow.h"
#include <commctrl.h>
#include <algorithm>
#include <cstdlib>
namespace Gdiplus {
using std::min;
using std::max;
}
#include <objidl.h>
#include <gdiplus.h>

int main(int argc, char** argv)
{
    int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    INITCOMMONCONTROLSEX init = { sizeof init, ICC_PROGRESS_CLASS };
    ::InitCommonControlsEx(&init);
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    {
        HostWindow host(0, 0, 480, 300, false);
        C_HexEdit hex;
        C_DecEdit dec;
        C_ColorStatic label;
        C_CenterComboBox formats, resolutions;
        C_PreViewWnd preview;
        CTextProgressCtrl bar;

        const DWORD editStyle = WS_VISIBLE | WS_BORDER | ES_CENTER | ES_AUTOHSCROLL;
        hex.SubclassWindow(host.CreateChildA("EDIT", "", editStyle, 1023, 10, 10, 120, 22));
        dec.SubclassWindow(host.CreateChildA("EDIT", "", editStyle, 1025, 10, 40, 120, 22));
        hex.SetWindowText("0x1fab");
        dec.SetWindowText("-8000");

        label.SubclassWindow(host.CreateChildA("STATIC", "", WS_VISIBLE | SS_SUNKEN | SS_CENTER
                                               | SS_CENTERIMAGE, 1007, 10, 70, 120, 24));
        label.SetBkColor(RGB(255, 0, 0));
        label.SetTextColor(InverseColor(RGB(255, 0, 0)));
        label.SetWindowText("(255, 0, 0)");

        const DWORD comboStyle = WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED
                               | CBS_HASSTRINGS;
        formats.SubclassWindow(host.CreateChildA("COMBOBOX", "", comboStyle, 1028, 10, 104, 120, 100));
        resolutions.SubclassWindow(host.CreateChildA("COMBOBOX", "", comboStyle, 1017, 10, 134, 120, 100));
        formats.AddString("APM");
        formats.AddString("MDM");
        formats.SetCurSel(1);
        resolutions.AddString("128 * 128");
        resolutions.SetCurSel(0);

        Gdiplus::Bitmap picture(160, 100, PixelFormat32bppRGB);
        {
            Gdiplus::Graphics graphics(&picture);
            graphics.Clear(Gdiplus::Color(255, 30, 120, 200));
            Gdiplus::SolidBrush yellow(Gdiplus::Color(255, 250, 210, 0));
            graphics.FillEllipse(&yellow, 40, 10, 80, 80);
        }
        preview.SubclassWindow(host.CreateChildW(C_PreViewWnd::kClassName, L"Preview Window",
                                                 WS_VISIBLE, 1002, 150, 10, 132, 132));
        preview.m_crBackground = RGB(220, 255, 220);
        preview.m_pImage = &picture;

        bar.SubclassWindow(host.CreateChildW(PROGRESS_CLASSW, L"Progress1", WS_VISIBLE, 1037,
                                             10, 180, 226, 24));
        bar.SetRange(0, 100);
        bar.SetTextVisible(TRUE);

        ::ShowWindow(host.m_hWnd, SW_SHOWNORMAL);
        ::SetFocus(formats.m_hWnd);
        if (argc > 2)   // any second argument: the format list shown open
            formats.SendMessage(CB_SHOWDROPDOWN, TRUE);
        DWORD end = ::GetTickCount() + static_cast<DWORD>(seconds) * 1000;
        int position = 0;
        while (::GetTickCount() < end) {
            PumpMessages();
            if (position < 50)
                bar.SetPos(++position);
            ::Sleep(20);
        }
        preview.m_pImage = nullptr;
    }
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
