#include "TessalineDlg.h"
#include "AboutDlg.h"
#include "CDC.h"
#include "CWinApp.h"
#include "DropFiles.h"
#include "GdiPlus.h"
#include "ModuleDir.h"
#include "StatusLine.h"
#include "Texts.h"

CTessalineDlg::CTessalineDlg()
    : CDialog(IDD_TESSALINE_DIALOG)
{
    m_hIcon = ::LoadIconW(CWinApp::ResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    LoadSettings();
}

CTessalineDlg::~CTessalineDlg()
{
    m_preview.m_pImage = nullptr;
    delete m_pPreviewImage;
}

void CTessalineDlg::DoDataExchange()
{
    DDX_Control(IDC_PROGRESS, m_progress);
    DDX_Control(IDC_PATH, m_path);
    DDX_Control(IDC_STATUS, m_status);
    DDX_Control(IDC_CAPACITY, m_capacity);
    DDX_Control(IDC_DOWNLOAD, m_download);
    DDX_Control(IDC_DISCONNECT, m_disconnect);
    DDX_Control(IDC_CONNECT, m_connect);
    DDX_Control(IDC_BROWSE, m_browse);
    DDX_Control(IDC_SPEECH_FORMAT, m_speechFormatList);
    DDX_Control(IDC_SYSTEM_CLOCK, m_systemClockEdit);
    DDX_Control(IDC_AUDIO_LIST, m_audioList);
    DDX_Control(IDC_IMAGE_LIST, m_imageList);
    DDX_Control(IDC_RESULT_LABEL, m_result);
    DDX_Control(IDC_PREVIEW, m_preview);
    DDX_Control(IDC_SAMPLE_RATE, m_sampleRateEdit);
    DDX_Control(IDC_AUDIO_START, m_audioStartEdit);
    DDX_Control(IDC_BG_COLOR, m_bgColor);
    DDX_Control(IDC_RESOLUTION, m_resolutionList);
    DDX_Control(IDC_IMAGE_START, m_imageStartEdit);
}

BOOL CTessalineDlg::LoadConverter(HMODULE& module, const char* fileName, const wchar_t* failure)
{
    if (module)
        return TRUE;
    module = LoadModuleLibrary(fileName);
    if (!module) {
        MessageBox(failure, texts::kCaptionError, MB_OK);
        return FALSE;
    }
    return TRUE;
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
    if (!LoadConverter(m_hPicMill, "PicMill.dll", texts::kLoadPicMillFailed))
        return FALSE;
    if (!LoadConverter(m_hTuneMill, "TuneMill.dll", texts::kLoadTuneMillFailed))
        return FALSE;

    ShowSettings();

    // Downloads always begin at flash address 0, whatever was stored.
    m_audioStartAddress = 0;
    m_audioStartEdit.SetWindowText("00000000");

    m_capacity.SetCurSel(kDefaultCapacityIndex);

    // Only the download panel in view; the builder panel lies beyond the
    // window's right edge until the system menu brings it in.
    FitWindow(true);

    m_path.SetWindowText(m_startupArg.c_str());
    m_initialised = true;
    return TRUE;
}

BOOL CTessalineDlg::PreTranslateMessage(MSG* msg)
{
    // Enter would press the default button, Write, which sits in the hidden
    // builder panel: while that panel is hidden, Enter does nothing.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && !::IsWindowVisible(GetDlgItem(IDC_WRITE)))
        return TRUE;
    // Enter on an audio entry plays it; Escape stops a clip that plays
    // rather than close the window.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && msg->hwnd == m_audioList.m_hWnd) {
        OnPlayClip();
        return TRUE;
    }
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE && m_player.IsActive()) {
        m_player.Stop();
        OnClipPlayer(static_cast<WPARAM>(ClipPlayerEvent::ended));
        return TRUE;
    }
    return FALSE;
}

void CTessalineDlg::OnOK()
{
    if (IsDownloadRunning()) {
        m_closePending = true;
        return;
    }
    CDialog::OnOK();
}

void CTessalineDlg::OnCancel()
{
    // The worker uses this window until it ends: close once it has.
    if (IsDownloadRunning()) {
        m_closePending = true;
        return;
    }
    CDialog::OnCancel();
}

BOOL CTessalineDlg::DestroyWindow()
{
    // The settings are written back once per run, before the converters go;
    // after an initialisation that ended early the panel never showed them,
    // and saving its empty fields would wipe the stored values.
    // The clip and the picture window go first: both use the converters.
    m_player.Stop();
    m_pictureLook.Close();
    if (m_initialised)
        SaveSettings();
    if (m_hTuneMill) {
        ::FreeLibrary(m_hTuneMill);
        m_hTuneMill = nullptr;
    }
    if (m_hPicMill) {
        ::FreeLibrary(m_hPicMill);
        m_hPicMill = nullptr;
    }
    return CDialog::DestroyWindow();
}

BOOL CTessalineDlg::OnCommand(WPARAM wParam, LPARAM)
{
    if (LOWORD(wParam) == IDC_SPEECH_FORMAT && HIWORD(wParam) == CBN_SELCHANGE) {
        OnSpeechFormatChange();
        return TRUE;
    }
    if (LOWORD(wParam) == IDC_IMAGE_LIST && HIWORD(wParam) == LBN_SELCHANGE) {
        UpdatePreview();
        return TRUE;
    }
    if (LOWORD(wParam) == IDC_AUDIO_LIST && HIWORD(wParam) == LBN_DBLCLK) {
        OnPlayClip();
        return TRUE;
    }
    if (LOWORD(wParam) == IDC_IMAGE_LIST && HIWORD(wParam) == LBN_DBLCLK) {
        OnLookPicture();
        return TRUE;
    }
    if (HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    if (OnListCommand(LOWORD(wParam)))
        return TRUE;
    switch (LOWORD(wParam)) {
    case IDC_CONNECT:
        OnConnect();
        return TRUE;
    case IDC_DISCONNECT:
        OnDisconnect();
        return TRUE;
    case IDC_BROWSE:
        OnBrowse();
        return TRUE;
    case IDC_DOWNLOAD:
        OnDownload();
        return TRUE;
    case IDC_CHANGE_COLOR:
        OnChangeColor();
        return TRUE;
    case IDC_WRITE:
        OnWrite();
        return TRUE;
    default:
        return FALSE;
    }
}

void CTessalineDlg::OnDropFiles(HDROP drop)
{
    // The first dropped file counts; folders don't. While a download runs
    // the path field stays as it is.
    if (!IsDownloadRunning()) {
        for (const std::wstring& path : DragQueryFiles(drop)) {
            DWORD attributes = ::GetFileAttributesW(path.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                continue;
            m_path.SetWindowText(path.c_str());
            break;
        }
    }
    ::DragFinish(drop);
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
    case WM_DOWNLOAD_PROGRESS:
        OnDownloadProgress(wParam, lParam);
        *result = 0;
        return TRUE;
    case WM_TIMER:
        OnEraseTick();
        *result = 0;
        return TRUE;
    case WM_DOWNLOAD_ERASE_TIMER:
        OnEraseTimer(wParam);
        *result = 0;
        return TRUE;
    case WM_DOWNLOAD_FINISHED:
        OnDownloadFinished();
        *result = 0;
        return TRUE;
    case WM_CLIP_PLAYER:
        OnClipPlayer(wParam);
        *result = 0;
        return TRUE;
    default:
        return FALSE;
    }
}
