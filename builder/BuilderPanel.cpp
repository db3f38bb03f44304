#include "BuilderPanel.h"
#include "BuilderParams.h"
#include "CColorDialog.h"
#include "CDialog.h"
#include "CFileDialog.h"
#include "ConversionPlan.h"
#include "CWinApp.h"
#include "ColorMath.h"
#include "FlashTypes.h"
#include "GdiPlus.h"
#include "StringConv.h"
#include "Texts.h"
#include "WriteCommand.h"
#include "resource.h"

CBuilderPanel::CBuilderPanel(CWnd& window, CStatic& result, Links links)
    : m_window(window), m_result(result), m_links(std::move(links)), m_deviceView(window, result)
{
}

CBuilderPanel::~CBuilderPanel()
{
    m_preview.m_pImage = nullptr;
}

const CDialogPart& CBuilderPanel::Controls()
{
    static const CDialogPart controls = {
        IDC_AUDIO_LIST, IDC_AUDIO_ADD, IDC_AUDIO_DEL, IDC_AUDIO_UP, IDC_AUDIO_DOWN,
        IDC_IMAGE_LIST, IDC_IMAGE_ADD, IDC_IMAGE_DEL, IDC_IMAGE_UP, IDC_IMAGE_DOWN,
        IDC_SPEECH_FORMAT, IDC_SAMPLE_RATE, IDC_SYSTEM_CLOCK, IDC_AUDIO_START,
        IDC_BG_COLOR, IDC_CHANGE_COLOR, IDC_RESOLUTION, IDC_IMAGE_START, IDC_FLASH_SPI, IDC_FLASH_KP6X, IDC_FLASH_NAND,
        IDC_PREVIEW, IDC_WRITE, IDOK,
        IDC_OPEN_SET, IDC_SAVE_SET, IDC_SAVE_IMAGE, IDC_FIT_IMAGES, IDC_FLASH_MAP, IDC_MAP_FIGURES,
    };
    return controls;
}

bool CBuilderPanel::NeedsDevice(int id)
{
    return id == IDC_WRITE;
}

void CBuilderPanel::Bind()
{
    BindDlgControl(m_window, IDC_SPEECH_FORMAT, m_speechFormatList);
    BindDlgControl(m_window, IDC_SYSTEM_CLOCK, m_systemClockEdit);
    BindDlgControl(m_window, IDC_AUDIO_LIST, m_audioList);
    BindDlgControl(m_window, IDC_IMAGE_LIST, m_imageList);
    BindDlgControl(m_window, IDC_PREVIEW, m_preview);
    BindDlgControl(m_window, IDC_SAMPLE_RATE, m_sampleRateEdit);
    BindDlgControl(m_window, IDC_AUDIO_START, m_audioStartEdit);
    BindDlgControl(m_window, IDC_BG_COLOR, m_bgColor);
    BindDlgControl(m_window, IDC_RESOLUTION, m_resolutionList);
    BindDlgControl(m_window, IDC_IMAGE_START, m_imageStartEdit);
    BindDlgControl(m_window, IDC_FLASH_MAP, m_mapStrip);
    BindDlgControl(m_window, IDC_MAP_FIGURES, m_mapFigures);
}

bool CBuilderPanel::LoadConverters()
{
    if (!m_picMill.Load("PicMill.dll")) {
        m_window.MessageBox(texts::kLoadPicMillFailed, texts::kCaptionError, MB_OK);
        return false;
    }
    if (!m_tuneMill.Load("TuneMill.dll")) {
        m_window.MessageBox(texts::kLoadTuneMillFailed, texts::kCaptionError, MB_OK);
        return false;
    }
    return true;
}

void CBuilderPanel::FreeConverters()
{
    m_mapView.Stop();
    m_tuneMill.Free();
    m_picMill.Free();
}

MediaConverters CBuilderPanel::Converters() const
{
    return MediaConverters(m_tuneMill.Get(), m_picMill.Get());
}

void CBuilderPanel::LoadSettings(CWinApp& store)
{
    using namespace texts;
    m_speechFormat =
        store.GetProfileString(kSectionOptional, kKeySpeechFormat, media::SpeechFormatName(kDefaultSpeechFormat));
    m_sampleRate = static_cast<int>(store.GetProfileInt(kSectionOptional, kKeySampleRate, kDefaultSampleRate));
    m_systemClock = static_cast<int>(store.GetProfileInt(kSectionOptional, kKeySystemClock, kDefaultSystemClock));
    const uint32_t background = PackColor(kDefaultBackground[0], kDefaultBackground[1], kDefaultBackground[2]);
    SplitColor(store.GetProfileInt(kSectionOptional, kKeyBackgroundColor, background), &m_bgRed, &m_bgGreen,
               &m_bgBlue);
    m_audioStartAddress = store.GetProfileInt(kSectionOptional, kKeyAudioStart, kDefaultAudioStart);
    m_imageStartAddress = store.GetProfileInt(kSectionOptional, kKeyImageStart, kDefaultImageStart);
    m_imageWidth = kImageWidth;
    m_imageHeight = kImageHeight;
}

void CBuilderPanel::ShowSettings(CWinApp& store)
{
    using namespace texts;
    // A stored type outside the three buttons checks none of them.
    int flashType = static_cast<int>(store.GetProfileInt(kSectionOptional, kKeyFlashType, 0));
    for (int i = 0; i < kFlashTypeCount; ++i)
        ::CheckDlgButton(m_window.m_hWnd, kFlashTypes[i].buttonId, i == flashType ? BST_CHECKED : BST_UNCHECKED);

    m_resolutionList.SetCurSel(0);
    // The first item that begins with the stored text, whatever its case;
    // the stored text itself is kept as it is.
    m_speechFormatList.SelectString(-1, m_speechFormat.c_str());

    m_sampleRateEdit.LimitText(5);
    m_sampleRateEdit.SetWindowText(FormatDecimal(m_sampleRate).c_str());
    m_systemClockEdit.LimitText(8);
    m_systemClockEdit.SetWindowText(FormatDecimal(m_systemClock).c_str());

    ShowBackgroundColor(PackColor(m_bgRed, m_bgGreen, m_bgBlue));

    m_audioStartEdit.LimitText(8);
    m_audioStartEdit.SetWindowText(FormatHex8(m_audioStartAddress).c_str());
    m_imageStartEdit.LimitText(8);
    m_imageStartEdit.SetWindowText(FormatHex8(m_imageStartAddress).c_str());

    m_audioList.Load(store, kSectionAudioList);
    m_audioCount = m_audioList.GetCount();
    m_imageList.Load(store, kSectionImageList);
    m_imageCount = m_imageList.GetCount();
    if (m_imageCount > 0)
        UpdatePreview();
}

void CBuilderPanel::SaveSettings(CWinApp& store)
{
    using namespace texts;
    GatherParams(FALSE);
    store.WriteProfileString(kSectionOptional, kKeySpeechFormat, m_speechFormat.c_str());
    store.WriteProfileInt(kSectionOptional, kKeySampleRate, m_sampleRate);
    store.WriteProfileInt(kSectionOptional, kKeySystemClock, m_systemClock);
    store.WriteProfileInt(kSectionOptional, kKeyBackgroundColor,
                          static_cast<int>(PackColor(m_bgRed, m_bgGreen, m_bgBlue)));
    store.WriteProfileInt(kSectionOptional, kKeyAudioStart, static_cast<int>(m_audioStartAddress));
    store.WriteProfileInt(kSectionOptional, kKeyImageStart, static_cast<int>(m_imageStartAddress));
    // The first checked button's offset from the first button's id; with none
    // checked this gives -1008, which again checks none at the next start.
    int checked = 0;
    for (const FlashType& type : kFlashTypes) {
        if (::IsDlgButtonChecked(m_window.m_hWnd, type.buttonId) == BST_CHECKED) {
            checked = type.buttonId;
            break;
        }
    }
    store.WriteProfileInt(kSectionOptional, kKeyFlashType, checked - kFlashTypes[0].buttonId);
    m_audioList.Save(store, kSectionAudioList);
    m_imageList.Save(store, kSectionImageList);
}

void CBuilderPanel::ResetAudioStart()
{
    m_audioStartAddress = 0;
    m_audioStartEdit.SetWindowText("00000000");
}

int CBuilderPanel::GatherParams(BOOL showMessages)
{
    ParseHex(m_audioStartEdit.GetWindowTextA(kFieldChars + 1), &m_audioStartAddress);
    ParseHex(m_imageStartEdit.GetWindowTextA(kFieldChars + 1), &m_imageStartAddress);
    SplitColor(m_bgColor.GetBkColor(), &m_bgRed, &m_bgGreen, &m_bgBlue);
    m_sampleRate = ParseDecimal(m_sampleRateEdit.GetWindowTextA(kFieldChars + 1));
    m_systemClock = ParseDecimal(m_systemClockEdit.GetWindowTextA(kFieldChars + 1));
    m_imageWidth = kImageWidth;
    m_imageHeight = kImageHeight;
    m_audioCount = m_audioList.GetCount();
    m_imageCount = m_imageList.GetCount();

    if (m_audioStartAddress & 1) {
        if (showMessages)
            m_window.MessageBox(texts::kAudioAddressOdd, texts::kCaptionWarning, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    if (m_imageStartAddress & 1) {
        if (showMessages)
            m_window.MessageBox(texts::kImageAddressOdd, texts::kCaptionWarning, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    return 1;
}

bool CBuilderPanel::OnPanelCommand(int id, int code)
{
    if (id == IDC_SPEECH_FORMAT && code == CBN_SELCHANGE) {
        OnSpeechFormatChange();
        return true;
    }
    if (id == IDC_IMAGE_LIST && code == LBN_SELCHANGE) {
        UpdatePreview();
        return true;
    }
    if (id == IDC_AUDIO_LIST && code == LBN_DBLCLK) {
        OnPlayClip();
        return true;
    }
    if (id == IDC_IMAGE_LIST && code == LBN_DBLCLK) {
        OnShowPicture();
        return true;
    }
    if (code != BN_CLICKED)
        return false;
    if (OnListCommand(id))
        return true;
    switch (id) {
    case IDC_CHANGE_COLOR:
        OnChangeColor();
        return true;
    case IDC_WRITE:
        OnWrite();
        return true;
    case IDC_SAVE_IMAGE:
        OnSaveImage();
        return true;
    case IDC_OPEN_SET:
        OnOpenSet();
        return true;
    case IDC_SAVE_SET:
        OnSaveSet();
        return true;
    default:
        return false;
    }
}

bool CBuilderPanel::PreTranslateMessage(const MSG* msg)
{
    TrackListHover(msg);
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && msg->hwnd == m_audioList.m_hWnd) {
        OnPlayClip();
        return true;
    }
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE && m_deviceView.IsPlaying()) {
        m_deviceView.StopClip();
        return true;
    }
    return false;
}

void CBuilderPanel::OnClipPlayer(WPARAM event)
{
    m_deviceView.OnClipPlayer(event);
}

void CBuilderPanel::CloseDeviceViews()
{
    m_deviceView.Close();
}

bool CBuilderPanel::OnListCommand(int id)
{
    switch (id) {
    case IDC_AUDIO_ADD:
        m_audioList.AddEntries(m_window, texts::kAudioFilter, texts::kMaxAudioFiles);
        return true;
    case IDC_AUDIO_DEL:
        m_audioList.DeleteEntry();
        return true;
    case IDC_AUDIO_UP:
        m_audioList.MoveEntry(-1);
        return true;
    case IDC_AUDIO_DOWN:
        m_audioList.MoveEntry(1);
        return true;
    case IDC_IMAGE_ADD:
        if (m_imageList.AddEntries(m_window, texts::kImageFilter, texts::kMaxImageFiles))
            UpdatePreview();
        return true;
    case IDC_IMAGE_DEL:
        if (m_imageList.DeleteEntry())
            UpdatePreview();
        return true;
    case IDC_IMAGE_UP:
        if (m_imageList.MoveEntry(-1))
            UpdatePreview();
        return true;
    case IDC_IMAGE_DOWN:
        if (m_imageList.MoveEntry(1))
            UpdatePreview();
        return true;
    default:
        return false;
    }
}

void CBuilderPanel::UpdatePreview()
{
    if (m_previewImage) {
        m_preview.m_pImage = nullptr;
        m_preview.Invalidate(TRUE);
        m_previewImage.reset();
    }
    std::string path;
    if (!m_imageList.GetSelected(&path) || path.empty() || path.size() > kMaxListEntryChars)
        return;
    const std::wstring widePath = WideFromAnsi(path);
    if (widePath.empty())
        return;
    // A file that cannot be decoded still gives an object, which shows nothing.
    m_previewImage.reset(Gdiplus::Bitmap::FromFile(widePath.c_str(), FALSE));
    if (m_previewImage) {
        m_preview.m_pImage = m_previewImage.get();
        m_preview.Invalidate(TRUE);
    }
}

void CBuilderPanel::ShowBackgroundColor(COLORREF color)
{
    m_bgColor.SetBkColor(color);
    m_bgColor.SetTextColor(InverseColor(m_bgColor.GetBkColor()));
    SplitColor(m_bgColor.GetBkColor(), &m_bgRed, &m_bgGreen, &m_bgBlue);
    m_bgColor.SetWindowText(FormatColor(m_bgRed, m_bgGreen, m_bgBlue).c_str());
    m_preview.m_crBackground = m_bgColor.GetBkColor();
}

void CBuilderPanel::OnChangeColor()
{
    CColorDialog dialog(m_bgColor.GetBkColor(), 0, &m_window);
    if (dialog.DoModal() != IDOK)
        return;
    ShowBackgroundColor(dialog.GetColor());
    m_preview.Invalidate(TRUE);
}

void CBuilderPanel::OnSpeechFormatChange()
{
    std::string text;
    if (m_speechFormatList.GetLBText(m_speechFormatList.GetCurSel(), &text))
        m_speechFormat = text;
}

int CBuilderPanel::CheckedFlashType() const
{
    for (int index = 0; index < kFlashTypeCount; ++index) {
        if (::IsDlgButtonChecked(m_window.m_hWnd, kFlashTypes[index].buttonId) == BST_CHECKED)
            return index;
    }
    // None checked (only after an unusable stored value): SPI, the default.
    return 0;
}

void CBuilderPanel::OnPlayClip()
{
    // A second double-click stops the clip that plays.
    if (m_deviceView.IsPlaying()) {
        m_deviceView.StopClip();
        return;
    }
    ClipRequest request;
    if (!m_audioList.GetSelected(&request.source) || request.source.empty())
        return;
    request.speechFormat = m_speechFormat;
    request.sampleRate = ParseDecimal(m_sampleRateEdit.GetWindowTextA(kFieldChars + 1));
    request.systemClock = ParseDecimal(m_systemClockEdit.GetWindowTextA(kFieldChars + 1));
    m_deviceView.PlayClip(Converters(), request);
}

void CBuilderPanel::OnShowPicture()
{
    std::string source;
    if (!m_imageList.GetSelected(&source) || source.empty())
        return;
    m_deviceView.ShowPicture(Converters(), source, m_bgColor.GetBkColor());
}

bool CBuilderPanel::GatherRequest(BuildRequest* request)
{
    if (!GatherParams(TRUE))
        return false;
    *request = FieldsRequest();
    return true;
}

void CBuilderPanel::OnWrite()
{
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(m_writeRunning);
    // The converters serve the Write alone.
    m_deviceView.StopClipQuietly();

    BuildRequest request;
    if (!GatherRequest(&request))
        return;
    RunWriteCommand(m_window, m_result, request, CheckedFlashType(), m_links.capacityBits(), Converters());
}

void CBuilderPanel::OnSaveImage()
{
    // The converters serve the Save alone.
    m_deviceView.StopClipQuietly();
    BuildRequest request;
    if (!GatherRequest(&request) || RefuseBuildRequest(m_window, m_result, request))
        return;
    CFileDialog dialog(FALSE, "bin", texts::kSaveImageName, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST,
                       texts::kBinFilter, &m_window);
    if (dialog.DoModal() != IDOK)
        return;
    const std::wstring target = dialog.GetPathName();
    if (RunSaveCommand(m_window, m_result, request, m_links.capacityBits(), Converters(), target))
        m_links.imageSaved(target);
}

RECT CBuilderPanel::Area(HWND window)
{
    RECT area = {};
    for (HWND control : Controls().Windows(window)) {
        RECT rect;
        ::GetWindowRect(control, &rect);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        ::UnionRect(&area, &area, &rect);
    }
    return area;
}

void CBuilderPanel::OnDropFiles(const std::vector<std::wstring>& paths)
{
    std::vector<std::wstring> audio, images;
    std::wstring refused;
    for (const std::wstring& path : paths) {
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        // The kind is told by the extension, which is plain ASCII.
        const SourceKind kind = folder ? SourceKind::other : SourceKindOf(Utf8FromWide(path));
        if (kind == SourceKind::audio)
            audio.push_back(path);
        else if (kind == SourceKind::image)
            images.push_back(path);
        else
            refused += L"\r\n" + path;
    }
    if (!refused.empty())
        m_window.MessageBox((std::wstring(texts::kNotMediaPrefix) + refused).c_str(), texts::kCaptionWarning,
                            MB_OK | MB_ICONEXCLAMATION);
    const bool audioAdded = m_audioList.AddPaths(m_window, audio, texts::kMaxAudioFiles);
    const bool imagesAdded = m_imageList.AddPaths(m_window, images, texts::kMaxImageFiles);
    if (imagesAdded)
        UpdatePreview();
    if (audioAdded || imagesAdded)
        RequestMap();
}

