// The builder panel's media sets: its lists and values opened from and saved
// to a set file (MediaSet.h), beside the settings store, which stays as it is.
#include "BuilderPanel.h"
#include "CFileDialog.h"
#include "FlashRange.h"
#include "FlashTypes.h"
#include "MediaSet.h"
#include "StringConv.h"
#include "Texts.h"

MediaSet CBuilderPanel::CurrentSet() const
{
    // The set holds what the fields hold, odd addresses included; read
    // without storing them, so that a download's start stays where it was.
    const BuildRequest fields = FieldsRequest();
    MediaSet set;
    for (const std::string& path : fields.audioFiles)
        set.audio.push_back(Utf8FromAnsi(path));
    for (const std::string& path : fields.imageFiles)
        set.images.push_back(Utf8FromAnsi(path));
    media::ParseSpeechFormat(fields.speechFormat, &set.speechFormat);
    set.sampleRate = fields.sampleRate;
    set.systemClock = fields.systemClock;
    for (int i = 0; i < 3; ++i)
        set.background[i] = fields.background[i];
    set.audioStart = fields.audioStart;
    set.imageStart = fields.imageStart;
    set.flashType = CheckedFlashType();
    return set;
}

bool CBuilderPanel::ShowSet(const MediaSet& set)
{
    // The converters take ANSI paths: a set with a name the code page can't
    // hold is not opened at all, rather than opened in part.
    std::vector<std::string> audio, images;
    for (auto lists : { std::make_pair(&set.audio, &audio), std::make_pair(&set.images, &images) }) {
        for (const std::string& path : *lists.first) {
            std::string ansi;
            if (!AnsiFromUtf8Exact(path, &ansi) || ansi.size() > kMaxListEntryChars) {
                m_window.MessageBox((std::wstring(texts::kNotAnsiPathPrefix) + WideFromUtf8(path)).c_str(),
                                    texts::kCaptionWarning, MB_OK | MB_ICONEXCLAMATION);
                return false;
            }
            lists.second->push_back(ansi);
        }
    }
    if (audio.size() > static_cast<size_t>(kMaxListEntries) || images.size() > static_cast<size_t>(kMaxListEntries)) {
        m_window.MessageBox(audio.size() > images.size() ? texts::kMaxAudioFiles : texts::kMaxImageFiles,
                            texts::kCaptionWarning, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    m_speechFormat = media::SpeechFormatName(set.speechFormat);
    m_speechFormatList.SelectString(-1, m_speechFormat.c_str());
    m_sampleRateEdit.SetWindowText(FormatDecimal(set.sampleRate).c_str());
    m_systemClockEdit.SetWindowText(FormatDecimal(set.systemClock).c_str());
    ShowBackgroundColor(PackColor(set.background[0], set.background[1], set.background[2]));
    m_audioStartEdit.SetWindowText(FormatHex8(set.audioStart).c_str());
    m_imageStartEdit.SetWindowText(FormatHex8(set.imageStart).c_str());
    for (int i = 0; i < kFlashTypeCount; ++i)
        ::CheckDlgButton(m_window.m_hWnd, kFlashTypes[i].buttonId, i == set.flashType ? BST_CHECKED : BST_UNCHECKED);
    m_audioList.Replace(audio);
    m_imageList.Replace(images);
    UpdatePreview();
    m_preview.Invalidate(TRUE);
    // The fields' changes have asked for the map already; the lists' haven't.
    RequestMap();
    return true;
}

void CBuilderPanel::OnOpenSet()
{
    CFileDialog dialog(TRUE, texts::kMediaSetExtension, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                       texts::kMediaSetFilter, &m_window);
    if (dialog.DoModal() != IDOK)
        return;
    const std::wstring path = dialog.GetPathName();
    MediaSet set;
    MediaSetError error;
    if (!ReadMediaSetFile(path, &set, &error)) {
        const std::wstring text = WideFromUtf8(MediaSetErrorText(Utf8FromWide(FileNameOf(path)), error));
        m_window.MessageBox((std::wstring(texts::kOpenSetFailPrefix) + text).c_str(), texts::kCaptionError, MB_OK);
        return;
    }
    if (ShowSet(set))
        m_result.SetWindowText(FormatWithText(texts::kSetOpenedFormat, FileNameOf(path)).c_str());
}

void CBuilderPanel::OnSaveSet()
{
    CFileDialog dialog(FALSE, texts::kMediaSetExtension, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST,
                       texts::kMediaSetFilter, &m_window);
    if (dialog.DoModal() != IDOK)
        return;
    const std::wstring path = dialog.GetPathName();
    std::string error;
    if (!WriteMediaSetFile(path, CurrentSet(), &error)) {
        m_window.MessageBox((std::wstring(texts::kSaveSetFail) + L"\r\n" + WideFromUtf8(error)).c_str(),
                            texts::kCaptionError, MB_OK);
        return;
    }
    m_result.SetWindowText(FormatWithText(texts::kSetSavedFormat, FileNameOf(path)).c_str());
}
