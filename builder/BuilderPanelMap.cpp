// The builder panel's flash map: what changes it, the strip and the figures
// line under it, the marked entry and Fit Images.
#include "BuilderPanel.h"
#include "Capacities.h"
#include "FlashRange.h"
#include "resource.h"
#include <utility>
#include <vector>

namespace {

const COLORREF kWarningText = RGB(200, 0, 0);

C_FlashMapStrip::Kind PieceKind(MapSpanKind kind)
{
    using Kind = C_FlashMapStrip::Kind;
    switch (kind) {
    case MapSpanKind::before:
        return Kind::outside;
    case MapSpanKind::records:
        return Kind::records;
    case MapSpanKind::clip:
        return Kind::clip;
    case MapSpanKind::fill:
        return Kind::fill;
    case MapSpanKind::imageCount:
        return Kind::imageCount;
    case MapSpanKind::picture:
        return Kind::picture;
    case MapSpanKind::free:
        break;
    }
    return Kind::free;
}

bool IsListButton(int id)
{
    switch (id) {
    case IDC_AUDIO_ADD: case IDC_AUDIO_DEL: case IDC_AUDIO_UP: case IDC_AUDIO_DOWN:
    case IDC_IMAGE_ADD: case IDC_IMAGE_DEL: case IDC_IMAGE_UP: case IDC_IMAGE_DOWN:
        return true;
    default:
        return false;
    }
}

int ListOfButton(int id)
{
    return id == IDC_AUDIO_ADD || id == IDC_AUDIO_DEL || id == IDC_AUDIO_UP || id == IDC_AUDIO_DOWN
        ? IDC_AUDIO_LIST : IDC_IMAGE_LIST;
}

}  // namespace

bool CBuilderPanel::OnCommand(int id, int code)
{
    const bool handled = OnPanelCommand(id, code);
    return OnMapCommand(id, code) || handled;
}

bool CBuilderPanel::OnMapCommand(int id, int code)
{
    if (code == BN_CLICKED && id == IDC_FIT_IMAGES) {
        OnFitImages();
        return true;
    }
    if (code == BN_CLICKED && IsListButton(id)) {
        m_markList = ListOfButton(id);
        RequestMap();
        MarkOnMap();
        return false;
    }
    if (code == EN_CHANGE
        && (id == IDC_SAMPLE_RATE || id == IDC_SYSTEM_CLOCK || id == IDC_AUDIO_START || id == IDC_IMAGE_START)) {
        RequestMap();
        return true;
    }
    if (code == CBN_SELCHANGE && id == IDC_SPEECH_FORMAT)
        RequestMap();
    if (code == LBN_SELCHANGE && (id == IDC_AUDIO_LIST || id == IDC_IMAGE_LIST)) {
        m_markList = id;
        MarkOnMap();
    }
    return false;
}

void CBuilderPanel::OnShown(bool shown)
{
    m_shown = shown;
    if (shown)
        RequestMap();
    else
        m_mapView.Cancel();
}

BuildRequest CBuilderPanel::FieldsRequest() const
{
    BuildRequest request;
    request.audioFiles = m_audioList.Items();
    request.imageFiles = m_imageList.Items();
    request.speechFormat = m_speechFormat;
    request.sampleRate = ParseDecimal(m_sampleRateEdit.GetWindowTextA(kFieldChars + 1));
    request.systemClock = ParseDecimal(m_systemClockEdit.GetWindowTextA(kFieldChars + 1));
    ParseHex(m_audioStartEdit.GetWindowTextA(kFieldChars + 1), &request.audioStart);
    ParseHex(m_imageStartEdit.GetWindowTextA(kFieldChars + 1), &request.imageStart);
    SplitColor(m_bgColor.GetBkColor(), &request.background[0], &request.background[1], &request.background[2]);
    return request;
}

void CBuilderPanel::RequestMap()
{
    if (!m_shown)
        return;
    FlashMapRequest request;
    request.build = FieldsRequest();
    request.capacityBytes = static_cast<uint64_t>(m_links.capacityBits()) / 8;
    if (!m_mapView.Request(m_window.m_hWnd, Converters(), request))
        ShowMapFigures("The flash map can't be worked out (no thread)", true);
}

void CBuilderPanel::OnFlashMap(WPARAM wParam, LPARAM lParam)
{
    FlashMapEvent event;
    if (!m_mapView.Receive(wParam, lParam, &event))
        return;
    if (event.kind == FlashMapEvent::Kind::converting) {
        ShowMapFigures("Working: converting " + FileNameOf(event.source) + " (" + std::to_string(event.done + 1)
                           + " of " + std::to_string(event.total) + ")...",
                       false);
        return;
    }
    ShowMap(*event.map);
}

void CBuilderPanel::ShowMap(const FlashMap& map)
{
    const bool overlaps = FlashMapOverlaps(map);
    std::vector<C_FlashMapStrip::Piece> pieces;
    for (const MapSpan& span : map.spans) {
        C_FlashMapStrip::Piece piece;
        piece.kind = PieceKind(span.kind);
        piece.index = span.index;
        piece.start = span.start;
        piece.length = span.length;
        piece.overlaps = overlaps && (span.kind == MapSpanKind::imageCount || span.kind == MapSpanKind::picture);
        pieces.push_back(piece);
    }
    m_mapStrip.SetPieces(std::move(pieces), map.capacityBytes);
    ShowMapFigures(FlashMapFigures(map), FlashMapWarns(map));
    // The lowest start that fits must fit the field.
    ::EnableWindow(m_window.GetDlgItem(IDC_FIT_IMAGES), overlaps && map.lowestImageStart <= 0xFFFFFFFEu);
}

void CBuilderPanel::ShowMapFigures(const std::string& text, bool warn)
{
    m_mapFigures.SetTextColor(warn ? kWarningText : C_ColorStatic::kSystemColor);
    m_mapFigures.SetWindowText(text.c_str());
}

void CBuilderPanel::OnFitImages()
{
    const FlashMap* map = m_mapView.Current();
    if (!map || !FlashMapOverlaps(*map) || map->lowestImageStart > 0xFFFFFFFEu)
        return;
    // The field's change asks for the new map.
    m_imageStartEdit.SetWindowText(FormatHex8(static_cast<uint32_t>(map->lowestImageStart)).c_str());
}

void CBuilderPanel::TrackListHover(const MSG* msg)
{
    if (msg->message != WM_MOUSEMOVE)
        return;
    int list = 0, entry = -1;
    if (msg->hwnd == m_audioList.m_hWnd || msg->hwnd == m_imageList.m_hWnd) {
        const LRESULT hit = ::SendMessageW(msg->hwnd, LB_ITEMFROMPOINT, 0, msg->lParam);
        if (HIWORD(hit) == 0) {
            list = msg->hwnd == m_audioList.m_hWnd ? IDC_AUDIO_LIST : IDC_IMAGE_LIST;
            entry = LOWORD(hit);
        }
    }
    if (list == m_hoverList && entry == m_hoverEntry)
        return;
    m_hoverList = list;
    m_hoverEntry = entry;
    MarkOnMap();
}

void CBuilderPanel::MarkOnMap()
{
    int list = m_hoverList, entry = m_hoverEntry;
    if (list == 0 && m_markList != 0) {
        list = m_markList;
        entry = list == IDC_AUDIO_LIST ? m_audioList.GetCurSel() : m_imageList.GetCurSel();
    }
    if (list == 0 || entry < 0)
        m_mapStrip.SetMark(C_FlashMapStrip::Kind::free, 0);
    else
        m_mapStrip.SetMark(list == IDC_AUDIO_LIST ? C_FlashMapStrip::Kind::clip : C_FlashMapStrip::Kind::picture,
                           static_cast<uint32_t>(entry));
}
