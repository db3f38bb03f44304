// Resource and control ids.
#pragma once

#define IDR_MAINFRAME           128
#define IDD_ABOUTBOX            100
#define IDS_ABOUTBOX            101
#define IDD_TESSALINE_DIALOG    102
#define IDD_WRITER_DIALOG       131
#define IDS_IMAGE_BUILDER       103
#define IDM_ABOUTBOX            0x0010
#define IDM_IMAGE_BUILDER       0x0020

#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif

// Main window: download panel
#define IDC_RESULT_LABEL        1024
#define IDC_CAPACITY            1030
#define IDC_CONNECT             1031
#define IDC_DISCONNECT          1032
#define IDC_PATH                1033
#define IDC_BROWSE              1034
#define IDC_DOWNLOAD            1035
#define IDC_STATUS              1036
#define IDC_PROGRESS            1037

// Main window: builder panel
#define IDC_IMAGE_LIST          1001
#define IDC_PREVIEW             1002
#define IDC_IMAGE_ADD           1003
#define IDC_IMAGE_DEL           1004
#define IDC_IMAGE_UP            1005
#define IDC_IMAGE_DOWN          1006
#define IDC_BG_COLOR            1007
#define IDC_FLASH_SPI           1008
#define IDC_FLASH_KP6X          1009
#define IDC_FLASH_NAND          1010
#define IDC_AUDIO_LIST          1012
#define IDC_AUDIO_ADD           1014
#define IDC_AUDIO_DEL           1016
#define IDC_RESOLUTION          1017
#define IDC_AUDIO_UP            1019
#define IDC_CHANGE_COLOR        1020
#define IDC_AUDIO_DOWN          1022
#define IDC_IMAGE_START         1023
#define IDC_SAMPLE_RATE         1025
#define IDC_AUDIO_START         1026
#define IDC_SYSTEM_CLOCK        1027
#define IDC_SPEECH_FORMAT       1028
#define IDC_WRITE               1029
#define IDC_OPEN_SET            1040
#define IDC_SAVE_SET            1041
#define IDC_SAVE_IMAGE          1042
#define IDC_FIT_IMAGES          1043
#define IDC_FLASH_MAP           1044
#define IDC_MAP_FIGURES         1045

// Writer dialog
#define IDC_WRITER_FILENAME     1011
#define IDC_WRITER_TOTAL        1013
#define IDC_WRITER_TRANSFERRED  1015
#define IDC_WRITER_REMAIN       1018
#define IDC_WRITER_PROGRESS     1021

// Private messages
#define WM_WRITER_PROGRESS      0x524
#define WM_DOWNLOAD_PROGRESS    0x525
// What a worker hands its window beside the progress, each message one
// typed event (see CWorkerEvents): the download run's to the main window,
// the Writer's worker's to its dialog.
#define WM_DOWNLOAD_EVENT       0x526
#define WM_WRITER_EVENT         0x52A
// The builder's clip player reports to the main window (ClipPlayer.h).
#define WM_CLIP_PLAYER          0x528
// The builder's flash map reports to the main window (FlashMapView.h).
#define WM_FLASH_MAP            0x529
