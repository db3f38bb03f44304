// The builder panel: the two file lists with the preview of the selected
// image, the builder's parameters (speech format, sample rate, system clock,
// background colour, flash type, the two start addresses) and Write. It owns
// these controls, the parameters, the converter libraries, the preview
// image, and the clip and picture as the device will play and show them; the
// main window routes the panel's commands to it.
#pragma once
#include "BuildChain.h"
#include "BuilderParams.h"
#include "CControls.h"
#include "C_CenterComboBox.h"
#include "C_ColorStatic.h"
#include "C_DecEdit.h"
#include "C_FlashMapStrip.h"
#include "C_HexEdit.h"
#include "C_PreViewWnd.h"
#include "DialogPart.h"
#include "MediaFileList.h"
#include "DeviceMediaView.h"
#include "FlashMapView.h"
#include "MediaSet.h"
#include "ModuleDir.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CWinApp;
namespace Gdiplus { class Bitmap; }

class CBuilderPanel {
public:
    // What the panel asks of the window beside it: the capacity chosen in
    // the download panel (in bits), and to show a packed image just saved
    // in the download panel's path field.
    struct Links {
        std::function<int()> capacityBits;
        std::function<void(const std::wstring&)> imageSaved;
    };
    // window: the main window, which holds the panel's controls and owns its
    // messages; result: the result label under both panels.
    CBuilderPanel(CWnd& window, CStatic& result, Links links);
    ~CBuilderPanel();
    CBuilderPanel(const CBuilderPanel&) = delete;
    CBuilderPanel& operator=(const CBuilderPanel&) = delete;

    // The panel's controls, Exit included (the window's OK): the window
    // measures, shows, hides and routes by them.
    static const CDialogPart& Controls();
    // A click on this control uses the device, which a run may have.
    static bool NeedsDevice(int id);

    // Binds the controls, in the template's order.
    void Bind();
    // Loads both converters (PicMill first); false after saying which could
    // not be loaded.
    bool LoadConverters();
    // The converters go last, once nothing uses them.
    void FreeConverters();

    // Settings: read when the window is made, shown when it is initialised,
    // written back once when it is destroyed.
    void LoadSettings(CWinApp& store);
    void ShowSettings(CWinApp& store);
    void SaveSettings(CWinApp& store);

    // Downloads always begin at flash address 0, whatever was stored.
    void ResetAudioStart();
    // Where both the download panel and a Write program the flash from.
    uint32_t AudioStartAddress() const { return m_audioStartAddress; }
    bool IsWriting() const { return m_writeRunning; }

    // Reads the panel's fields back into the parameters; 0 when an address
    // is odd (with a warning when messages are wanted).
    int GatherParams(BOOL showMessages);
    // A command of one of the panel's controls; true when handled. Write
    // is routed here only while no run has the device.
    bool OnCommand(int id, int code);
    // Enter on an audio entry plays it; Escape stops a clip that plays.
    bool PreTranslateMessage(const MSG* msg);
    void OnClipPlayer(WPARAM event);
    // Files dropped on the panel: audio files join the audio list, pictures
    // the image list, in the order dropped; other kinds are refused by name.
    void OnDropFiles(const std::vector<std::wstring>& paths);
    // The panel's area in the window's client coordinates.
    static RECT Area(HWND window);
    // The clip stops and the picture window closes (both use the converters).
    void CloseDeviceViews();

    // The flash map (BuilderPanelMap.cpp), worked out only while the panel
    // is in view, to the scale of the flash chosen in the download panel.
    void OnShown(bool shown);
    void OnCapacityChange() { RequestMap(); }
    void OnFlashMap(WPARAM wParam, LPARAM lParam);

private:
    // Parameter fields are read with at most this many characters.
    static constexpr int kFieldChars = 8;

    // The panel's own handling of a command; OnCommand adds the map's.
    bool OnPanelCommand(int id, int code);
    // What a change means for the map; true when the command is the map's alone.
    bool OnMapCommand(int id, int code);
    void RequestMap();
    // The lists and the fields as they stand, read without storing them.
    BuildRequest FieldsRequest() const;
    void ShowMap(const FlashMap& map);
    void ShowMapFigures(const std::string& text, bool warn);
    // Marks the entry under the mouse, else the selection of the list used last.
    void MarkOnMap();
    void TrackListHover(const MSG* msg);
    void OnFitImages();

    void OnWrite();
    void OnSaveImage();
    // Media sets (BuilderPanelSets.cpp).
    void OnOpenSet();
    void OnSaveSet();
    // The panel's lists and values as a set, and a set shown in the panel
    // (false, with the panel as it was, when its paths can't be listed).
    MediaSet CurrentSet() const;
    bool ShowSet(const MediaSet& set);
    // The panel's values and lists, read back with GatherParams first; false
    // (after the warning) when an address is odd.
    bool GatherRequest(BuildRequest* request);
    void OnPlayClip();
    void OnShowPicture();
    void OnChangeColor();
    // The speech format becomes the text of the chosen item.
    void OnSpeechFormatChange();
    bool OnListCommand(int id);
    // Shows the selected image of the image list in the preview, or nothing.
    void UpdatePreview();
    void ShowBackgroundColor(COLORREF color);
    // The index of the checked flash type button (SPI when none is).
    int CheckedFlashType() const;
    MediaConverters Converters() const;

    CWnd& m_window;
    CStatic& m_result;
    Links m_links;

    // Controls, bound in this order.
    C_CenterComboBox m_speechFormatList;   // 1028
    C_DecEdit m_systemClockEdit;    // 1027
    CMediaFileList m_audioList;     // 1012
    CMediaFileList m_imageList;     // 1001
    C_PreViewWnd m_preview;         // 1002
    C_DecEdit m_sampleRateEdit;     // 1025
    C_HexEdit m_audioStartEdit;     // 1026
    C_ColorStatic m_bgColor;        // 1007
    C_CenterComboBox m_resolutionList;     // 1017
    C_HexEdit m_imageStartEdit;     // 1023
    C_FlashMapStrip m_mapStrip;     // 1044

    // The builder parameters; the speech format is its name as stored.
    unsigned short m_imageWidth = kImageWidth;
    unsigned short m_imageHeight = kImageHeight;
    std::string m_speechFormat = media::SpeechFormatName(kDefaultSpeechFormat);
    int m_sampleRate = kDefaultSampleRate;
    int m_systemClock = kDefaultSystemClock;
    int m_audioCount = 0;
    int m_imageCount = 0;
    unsigned char m_bgRed = kDefaultBackground[0], m_bgGreen = kDefaultBackground[1], m_bgBlue = kDefaultBackground[2];
    unsigned int m_audioStartAddress = kDefaultAudioStart;
    unsigned int m_imageStartAddress = kDefaultImageStart;

    ModuleLibrary m_picMill;
    ModuleLibrary m_tuneMill;
    std::unique_ptr<Gdiplus::Bitmap> m_previewImage;
    // A Write is converting, packing or writing.
    bool m_writeRunning = false;
    CDeviceMediaView m_deviceView;

    // The flash map.
    C_ColorStatic m_mapFigures;     // 1045
    CFlashMapView m_mapView;
    bool m_shown = false;
    int m_markList = 0;             // the list whose selection is marked: 1012, 1001 or none
    int m_hoverList = 0;            // the list and entry under the mouse
    int m_hoverEntry = -1;
};
