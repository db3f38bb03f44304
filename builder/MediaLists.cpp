// The builder's file lists: the preview of the selected image.
#include "TessalineDlg.h"
#include "BuilderParams.h"
#include <algorithm>
namespace Gdiplus {
using std::min;
using std::max;
}
#include <objidl.h>
#include <gdiplus.h>

void CTessalineDlg::UpdatePreview()
{
    if (m_pPreviewImage) {
        m_preview.m_pImage = nullptr;
        m_preview.Invalidate(TRUE);
        delete m_pPreviewImage;
        m_pPreviewImage = nullptr;
    }
    int selected = m_imageList.GetCurSel();
    if (selected < 0)
        return;
    int length = m_imageList.GetTextLen(selected);
    if (length <= 0 || length > static_cast<int>(kMaxListEntryChars))
        return;
    char path[kMaxListEntryChars + 1] = {};
    if (m_imageList.GetText(selected, path) < 0)
        return;
    wchar_t widePath[kMaxListEntryChars + 1] = {};
    if (!::MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, static_cast<int>(kMaxListEntryChars + 1)))
        return;
    // A file that cannot be decoded still gives an object, which shows nothing.
    m_pPreviewImage = Gdiplus::Bitmap::FromFile(widePath, FALSE);
    if (m_pPreviewImage) {
        m_preview.m_pImage = m_pPreviewImage;
        m_preview.Invalidate(TRUE);
    }
}
