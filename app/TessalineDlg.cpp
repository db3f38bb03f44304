#include "TessalineDlg.h"
#include "AboutDlg.h"
#include "CDC.h"
#include "Capacities.h"
#include "CWinApp.h"
#include "DropFiles.h"
#include "Texts.h"
#include "WindowLayout.h"
#include "resource.h"
#include <vector>

namespace {

// A child window's rectangle in its parent's client coordinates.
RECT ChildRect(HWND parent, HWND child)
{
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

CTessalineDlg::CTessalineDlg()
    : CDialog(IDD_TESSALINE_DIALOG),
      m_downloadPanel(*this, m_result, [this] { return m_builderPanel.AudioStartAddress(); }),
      m_builderPanel(*this, m_result,
                     { [this] { return m_downloadPanel.ChosenCapacityBits(); },
                       [this](const std::wstring& path) { m_downloadPanel.ShowPath(path); } })
{
    m_hIcon = ::LoadIconW(CWinApp::ResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    if (CWinApp::Current())
        m_builderPanel.LoadSettings(*CWinApp::Current());
}

CTessalineDlg::~CTessalineDlg() = default;

void CTessalineDlg::DoDataExchange()
{
    m_downloadPanel.Bind();
    DDX_Control(IDC_RESULT_LABEL, m_result);
    m_builderPanel.Bind();
}

BOOL CTessalineDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    HMENU systemMenu = GetSystemMenu(FALSE);
    if (systemMenu) {
        wchar_t about[128] = {};
        wchar_t builder[128] = {};
        if (::LoadStringW(CWinApp::ResourceHandle(), IDS_ABOUTBOX, about, 128) > 0) {
            ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            if (::LoadStringW(CWinApp::ResourceHandle(), IDS_IMAGE_BUILDER, builder, 128) > 0)
                ::AppendMenuW(systemMenu, MF_STRING | MF_UNCHECKED, IDM_IMAGE_BUILDER, builder);
            ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    DragAcceptFiles();

    // Without both converters the rest of the set-up is skipped.
    if (!m_builderPanel.LoadConverters())
        return FALSE;

    m_builderPanel.ShowSettings(*CWinApp::Current());
    m_builderPanel.ResetAudioStart();

    m_downloadPanel.Initialise(m_startupArg);
    // Only the download panel in view; the builder panel lies beyond the
    // window's right edge until the system menu brings it in.
    FitWindow(true);
    m_initialised = true;
    return TRUE;
}

BOOL CTessalineDlg::PreTranslateMessage(MSG* msg)
{
    // Enter would press the default button, Write, which sits in the hidden
    // builder panel: while that panel is hidden, Enter does nothing.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && !::IsWindowVisible(GetDlgItem(IDC_WRITE)))
        return TRUE;
    return m_builderPanel.PreTranslateMessage(msg) ? TRUE : FALSE;
}

void CTessalineDlg::OnOK()
{
    if (m_downloadPanel.IsRunning()) {
        m_closePending = true;
        return;
    }
    CDialog::OnOK();
}

void CTessalineDlg::OnCancel()
{
    // The run reports to this window until it ends: close once it has.
    if (m_downloadPanel.IsRunning()) {
        m_closePending = true;
        return;
    }
    CDialog::OnCancel();
}

void CTessalineDlg::CloseIfPending()
{
    if (m_closePending && !m_downloadPanel.IsRunning()) {
        m_closePending = false;
        CDialog::OnCancel();
    }
}

BOOL CTessalineDlg::DestroyWindow()
{
    // However the modal run ended (a quit request too), a download still
    // going is called off and waited for before the window it reports to goes.
    m_downloadPanel.EndRun();
    // The settings are written back once per run, before the converters go;
    // after an initialisation that ended early the panel never showed them,
    // and saving its empty fields would wipe the stored values.
    // The clip and the picture window go first: both use the converters.
    m_builderPanel.CloseDeviceViews();
    if (m_initialised)
        m_builderPanel.SaveSettings(*CWinApp::Current());
    m_builderPanel.FreeConverters();
    return CDialog::DestroyWindow();
}

BOOL CTessalineDlg::OnCommand(int id, int code)
{
    // One run at a time: a download or a Write has the device and its binding.
    if (code == BN_CLICKED && IsDeviceBusy() && (CDownloadPanel::NeedsDevice(id) || CBuilderPanel::NeedsDevice(id)))
        return TRUE;
    if (CDownloadPanel::Controls().HasControl(id)) {
        const bool handled = m_downloadPanel.OnCommand(id, code);
        // The builder's flash map hears of another capacity too.
        if (id == IDC_CAPACITY && code == CBN_SELCHANGE)
            m_builderPanel.OnCapacityChange();
        return handled ? TRUE : FALSE;
    }
    if (CBuilderPanel::Controls().HasControl(id))
        return m_builderPanel.OnCommand(id, code) ? TRUE : FALSE;
    return FALSE;
}

void CTessalineDlg::OnDropFiles(HDROP drop)
{
    std::vector<std::wstring> paths = DragQueryFiles(drop);
    POINT point = {};
    const bool onBuilder = m_builderShown && ::DragQueryPoint(drop, &point)
                           && point.x >= CBuilderPanel::Area(m_hWnd).left;
    ::DragFinish(drop);
    // On the builder the files go to its lists.
    if (onBuilder) {
        m_builderPanel.OnDropFiles(paths);
        return;
    }
    // On the download panel the first dropped file counts; folders don't.
    for (const std::wstring& path : paths) {
        DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        m_downloadPanel.OnDropFile(path);
        break;
    }
}

void CTessalineDlg::OnPaint()
{
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    int iconWidth = ::GetSystemMetrics(SM_CXICON);
    int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    int x = (rect.right - rect.left - iconWidth + 1) / 2;
    int y = (rect.bottom - rect.top - iconHeight + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

BOOL CTessalineDlg::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            CAboutDlg about;
            about.DoModal();
            *result = 0;
            return TRUE;
        }
        if ((wParam & 0xFFF0) == IDM_IMAGE_BUILDER) {
            ShowBuilderPanel(!m_builderShown);
            *result = 0;
            return TRUE;
        }
        return FALSE;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        *result = 0;
        return TRUE;
    case WM_DPICHANGED:
        // The dialog manager rescales the template's controls and fonts
        // first; the window's own size rule then runs at the new DPI.
        *result = Default();
        OnDpiChanged(*reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_PAINT:
        if (!IsIconic())
            return FALSE;
        OnPaint();
        *result = 0;
        return TRUE;
    case WM_QUERYDRAGICON:
        *result = reinterpret_cast<LRESULT>(m_hIcon);
        return TRUE;
    case WM_CLIP_PLAYER:
        m_builderPanel.OnClipPlayer(wParam);
        *result = 0;
        return TRUE;
    case WM_FLASH_MAP:
        m_builderPanel.OnFlashMap(wParam, lParam);
        *result = 0;
        return TRUE;
    default:
        if (!m_downloadPanel.OnRunMessage(msg, wParam, lParam))
            return FALSE;
        CloseIfPending();
        *result = 0;
        return TRUE;
    }
}

void CTessalineDlg::FitWindow(bool toOrigin)
{
    // What must show: the download panel whole, down to the result label,
    // and the builder panel while it is in view. Where the window must grow
    // for them, the download panel's left margin goes beyond them too.
    RECT content = {};
    std::vector<HWND> always = CDownloadPanel::Controls().Windows(m_hWnd);
    always.push_back(m_result.m_hWnd);
    for (HWND control : always) {
        RECT rect = ChildRect(m_hWnd, control);
        ::UnionRect(&content, &content, &rect);
    }
    int margin = content.left;
    if (m_builderShown) {
        for (HWND control : CBuilderPanel::Controls().Windows(m_hWnd)) {
            RECT rect = ChildRect(m_hWnd, control);
            ::UnionRect(&content, &content, &rect);
        }
    }

    RECT window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    layout::Extent frame = { (window.right - window.left) - client.right,
                             (window.bottom - window.top) - client.bottom };
    layout::Extent size = layout::MainWindowSize(static_cast<int>(GetDpi()), frame,
                                                 { content.right, content.bottom }, margin);
    if (toOrigin)
        SetWindowPos(HWND_TOP, 0, 0, size.width, size.height, 0);
    else
        SetWindowPos(nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CTessalineDlg::ShowBuilderPanel(bool show)
{
    m_builderShown = show;
    for (HWND control : CBuilderPanel::Controls().Windows(m_hWnd))
        ::ShowWindow(control, show ? SW_SHOWNA : SW_HIDE);
    ::CheckMenuItem(GetSystemMenu(FALSE), IDM_IMAGE_BUILDER, MF_BYCOMMAND | (show ? MF_CHECKED : MF_UNCHECKED));
    FitWindow(false);
    m_builderPanel.OnShown(show);

    // The focus must not stay on a control that went out of view.
    HWND focus = ::GetFocus();
    if (!show && focus && ::IsChild(m_hWnd, focus) && !::IsWindowVisible(focus)) {
        HWND first = ::GetNextDlgTabItem(m_hWnd, nullptr, FALSE);
        if (first)
            SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
    }
}

void CTessalineDlg::OnDpiChanged(const RECT& suggested)
{
    SetWindowPos(nullptr, suggested.left, suggested.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    FitWindow(false);
}
