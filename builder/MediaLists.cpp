// The builder's file lists (add, delete, move, the preview of the selected
// image) and the background colour.
#include "TessalineDlg.h"
#include "BuilderParams.h"
#include "CColorDialog.h"
#include "CFileDialog.h"
#include "StringConv.h"
#include "Texts.h"
#include "GdiPlus.h"

void CTessalineDlg::UpdatePreview()
{
    if (m_pPreviewImage) {
        m_preview.m_pImage = nullptr;
        m_preview.Invalidate(TRUE);
        delete m_pPreviewImage;
        m_pPreviewImage = nullptr;
    }
    std::string path;
    if (!m_imageList.GetText(m_imageList.GetCurSel(), &path) || path.empty() || path.size() > kMaxListEntryChars)
        return;
    wchar_t widePath[kMaxListEntryChars + 1] = {};
    if (!::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, static_cast<int>(kMaxListEntryChars + 1)))
        return;
    // A file that cannot be decoded still gives an object, which shows nothing.
    m_pPreviewImage = Gdiplus::Bitmap::FromFile(widePath, FALSE);
    if (m_pPreviewImage) {
        m_preview.m_pImage = m_pPreviewImage;
        m_preview.Invalidate(TRUE);
    }
}

namespace {

// The file name buffer of the file dialogs, for multiple selections.
const DWORD kFileNameBufferChars = 66300;

}  // namespace

bool CTessalineDlg::AddEntries(CListBox& list, const char* filter, const wchar_t* limitMessage)
{
    if (list.GetCount() >= kMaxListEntries) {
        MessageBox(limitMessage, texts::kCaptionWarning, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, filter,
                       this, kFileNameBufferChars);
    if (dialog.DoModal() != IDOK)
        return false;
    bool added = false;
    for (const std::wstring& chosen : dialog.GetPathNames()) {
        // The converters take paths in the ANSI code page: a name it can't
        // hold is refused here, by name, rather than fail at the Write.
        std::string path;
        if (!AnsiFromWideExact(chosen, &path)) {
            MessageBox((std::wstring(texts::kNotAnsiPathPrefix) + chosen).c_str(), texts::kCaptionWarning,
                       MB_OK | MB_ICONEXCLAMATION);
            continue;
        }
        // The packed image counts entries in 16 bits: a selection stops at the limit.
        if (list.GetCount() >= kMaxListEntries || path.size() > kMaxListEntryChars)
            continue;
        list.AddString(path.c_str());
        added = true;
    }
    if (added)
        list.SetCurSel(list.GetCount() - 1);
    return added;
}

bool CTessalineDlg::DeleteEntry(CListBox& list)
{
    int selected = list.GetCurSel();
    if (selected < 0)
        return false;
    list.DeleteString(selected);
    list.SetCurSel(selected > 0 ? selected - 1 : 0);
    return true;
}

bool CTessalineDlg::MoveEntry(CListBox& list, int step)
{
    int selected = list.GetCurSel();
    int target = selected + step;
    if (selected < 0 || target < 0 || target >= list.GetCount())
        return false;
    std::string text;
    if (!list.GetText(selected, &text))
        return false;
    list.DeleteString(selected);
    list.InsertString(target, text.c_str());
    list.SetCurSel(target);
    return true;
}

BOOL CTessalineDlg::OnListCommand(int id)
{
    switch (id) {
    case IDC_AUDIO_ADD:
        AddEntries(m_audioList, texts::kAudioFilter, texts::kMaxAudioFiles);
        return TRUE;
    case IDC_AUDIO_DEL:
        DeleteEntry(m_audioList);
        return TRUE;
    case IDC_AUDIO_UP:
        MoveEntry(m_audioList, -1);
        return TRUE;
    case IDC_AUDIO_DOWN:
        MoveEntry(m_audioList, 1);
        return TRUE;
    case IDC_IMAGE_ADD:
        if (AddEntries(m_imageList, texts::kImageFilter, texts::kMaxImageFiles))
            UpdatePreview();
        return TRUE;
    case IDC_IMAGE_DEL:
        if (DeleteEntry(m_imageList))
            UpdatePreview();
        return TRUE;
    case IDC_IMAGE_UP:
        if (MoveEntry(m_imageList, -1))
            UpdatePreview();
        return TRUE;
    case IDC_IMAGE_DOWN:
        if (MoveEntry(m_imageList, 1))
            UpdatePreview();
        return TRUE;
    default:
        return FALSE;
    }
}

void CTessalineDlg::OnChangeColor()
{
    CColorDialog dialog(m_bgColor.GetBkColor(), 0, this);
    if (dialog.DoModal() != IDOK)
        return;
    ShowBackgroundColor(dialog.GetColor());
    m_preview.Invalidate(TRUE);
}
