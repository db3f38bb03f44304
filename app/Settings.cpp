// The builder's parameters, the flash type and the two file lists in the
// per-user settings store: read once at start, written back once at close.
#include "TessalineDlg.h"
#include "BuilderParams.h"
#include "CWinApp.h"
#include "ColorMath.h"
#include "Texts.h"

namespace {
CWinApp& Store()
{
    return *CWinApp::Current();
}
const int kFlashTypeButtons[] = { IDC_FLASH_SPI, IDC_FLASH_KP6X, IDC_FLASH_NAND };
}

void CTessalineDlg::LoadSettings()
{
    using namespace texts;
    if (!CWinApp::Current())
        return;
    m_speechFormat = Store().GetProfileString(kSectionOptional, kKeySpeechFormat, "APM");
    m_sampleRate = static_cast<int>(Store().GetProfileInt(kSectionOptional, kKeySampleRate, 8000));
    m_systemClock = static_cast<int>(Store().GetProfileInt(kSectionOptional, kKeySystemClock, 6144000));
    SplitColor(Store().GetProfileInt(kSectionOptional, kKeyBackgroundColor, 0xFFFFFF), &m_bgRed, &m_bgGreen,
               &m_bgBlue);
    m_audioStartAddress = Store().GetProfileInt(kSectionOptional, kKeyAudioStart, 0);
    m_imageStartAddress = Store().GetProfileInt(kSectionOptional, kKeyImageStart, 0);
    m_imageWidth = 128;
    m_imageHeight = 128;
}

void CTessalineDlg::ShowBackgroundColor(COLORREF color)
{
    m_bgColor.SetBkColor(color);
    m_bgColor.SetTextColor(InverseColor(m_bgColor.GetBkColor()));
    SplitColor(m_bgColor.GetBkColor(), &m_bgRed, &m_bgGreen, &m_bgBlue);
    m_bgColor.SetWindowText(FormatColor(m_bgRed, m_bgGreen, m_bgBlue).c_str());
    m_preview.m_crBackground = m_bgColor.GetBkColor();
}

void CTessalineDlg::ShowSettings()
{
    using namespace texts;
    // A stored type outside the three buttons checks none of them.
    int flashType = static_cast<int>(Store().GetProfileInt(kSectionOptional, kKeyFlashType, 0));
    for (int i = 0; i < 3; ++i)
        ::CheckDlgButton(m_hWnd, kFlashTypeButtons[i], i == flashType ? BST_CHECKED : BST_UNCHECKED);

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

    LoadFileList(kSectionAudioList, m_audioList);
    m_audioCount = m_audioList.GetCount();
    LoadFileList(kSectionImageList, m_imageList);
    m_imageCount = m_imageList.GetCount();
    if (m_imageCount > 0)
        UpdatePreview();
}

void CTessalineDlg::LoadFileList(const char* section, CListBox& list)
{
    int entries = StoredEntriesToRead(static_cast<int>(Store().GetProfileInt(section, texts::kKeyCount, 0)));
    int added = 0;
    for (int j = 0; j < entries; ++j) {
        std::string path = Store().GetProfileString(section, FileKey(j).c_str(), "");
        // Empty entries are skipped; so are paths longer than a path can be,
        // which only an edited store could hold.
        if (path.empty() || path.size() > kMaxListEntryChars)
            continue;
        list.AddString(path.c_str());
        ++added;
    }
    if (added > 0)
        list.SetCurSel(0);
}

void CTessalineDlg::SaveSettings()
{
    using namespace texts;
    GatherParams(FALSE);
    Store().WriteProfileString(kSectionOptional, kKeySpeechFormat, m_speechFormat.c_str());
    Store().WriteProfileInt(kSectionOptional, kKeySampleRate, m_sampleRate);
    Store().WriteProfileInt(kSectionOptional, kKeySystemClock, m_systemClock);
    Store().WriteProfileInt(kSectionOptional, kKeyBackgroundColor,
                            static_cast<int>(PackColor(m_bgRed, m_bgGreen, m_bgBlue)));
    Store().WriteProfileInt(kSectionOptional, kKeyAudioStart, static_cast<int>(m_audioStartAddress));
    Store().WriteProfileInt(kSectionOptional, kKeyImageStart, static_cast<int>(m_imageStartAddress));
    // The first checked button's offset; with none checked this gives
    // -1008, which again checks none at the next start.
    int checked = 0;
    for (int id : kFlashTypeButtons) {
        if (::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED) {
            checked = id;
            break;
        }
    }
    Store().WriteProfileInt(kSectionOptional, kKeyFlashType, checked - IDC_FLASH_SPI);
    SaveFileList(kSectionAudioList, m_audioList);
    SaveFileList(kSectionImageList, m_imageList);
}

void CTessalineDlg::SaveFileList(const char* section, CListBox& list)
{
    int written = 0;
    int count = list.GetCount();
    for (int i = 0; i < count; ++i) {
        std::string text;
        if (!list.GetText(i, &text) || text.size() > kMaxListEntryChars)
            continue;
        Store().WriteProfileString(section, FileKey(written).c_str(), text.c_str());
        ++written;
    }
    Store().WriteProfileInt(section, texts::kKeyCount, written);
}
