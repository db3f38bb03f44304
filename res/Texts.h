// Every text the program shows, in one place. The Chinese texts are UTF-16
// so that they read the same whatever the system's ANSI code page is.
#pragma once

namespace texts {

// Captions
constexpr const wchar_t* kCaptionError = L"Error";
constexpr const wchar_t* kCaptionWarning = L"Warning";
constexpr const wchar_t* kCaptionDownload = L"ZQW Writer V1.0 (SPI Download Only)";

// Start-up
constexpr const wchar_t* kLoadPicMillFailed = L"Load PicMill.dll failure!!!";
constexpr const wchar_t* kLoadTuneMillFailed = L"Load TuneMill.dll failure!!!";

// Driver binding
constexpr const char* kLoadDriverFailed = "Load KP6600HidDriver.dll failure!!!";

// Connection test
constexpr const wchar_t* kConnectFailed =
    L"失败：连接USB，请确认下载器是否已经插入且存储器是否正确";
constexpr const wchar_t* kConnected = L"连接";
constexpr const wchar_t* kDisconnected = L"断开";

// Status panel pieces
constexpr const wchar_t* kPrefixConnected =
    L"芯片 : KP6600 HID\r\nUSB 状态 : 连接\r\n存储器类型 : SPI, 存储器容量 : ";
constexpr const wchar_t* kPrefixWideConnected =
    L"芯片 : KP6600 HID\r\nUSB 状态 : 连接\r\n存储器类型 : SPI,    存储器容量 : ";
constexpr const wchar_t* kPrefixDisconnected =
    L"芯片 : KP6600 HID\r\nUSB 状态 : 断开\r\n存储器类型 : SPI, 存储器容量 : ";
constexpr const wchar_t* kMiddle = L"\r\n内部数据容量 : ";
constexpr const wchar_t* kSuffixConnected = L" (bytes)\r\n操作状态: 连接";
constexpr const wchar_t* kSuffixDisconnected = L" (bytes)\r\n操作状态 : 断开";
constexpr const wchar_t* kSuffixReady = L" (bytes)\r\n操作状态 : Ready";
constexpr const wchar_t* kSuffixErasing = L" (bytes)\r\n操作状态 : 正在擦除";
constexpr const wchar_t* kSuffixDownloading = L" (bytes)\r\n操作状态: 正在下载";
constexpr const wchar_t* kSuffixDone = L" (bytes)\r\n操作状态 : 下载完成";
constexpr const wchar_t* kSuffixFailed = L" (bytes)\r\n操作状态 : 下载失败";

// Download start
constexpr const wchar_t* kChooseBinFile = L"Pls choose a bin file!";
constexpr const wchar_t* kBinFileNotFound = L"Bin file not found!";
constexpr const wchar_t* kBinFileTooBig = L"Bin file too big to fit in SPI flash!";
constexpr const wchar_t* kBinPathTooLong = L"Bin file path too long!";
constexpr const wchar_t* kFileOpenFail = L"File open fail!";
constexpr const wchar_t* kWritingImage = L"Writing image files to flash...";
constexpr const wchar_t* kUsbInitializeFail = L"USB initialize fail!!!";
constexpr const char* kBinFilter = "BIN Files(*.bin)|*.bin|Rom Files(*.rom)|*.rom||";

// Download worker
constexpr const wchar_t* kDeviceOpenFailed = L"USB device open failed.";
constexpr const wchar_t* kFlashNotFound = L"下载找不到FLASH";
constexpr const wchar_t* kDownloadOk = L"Download OK";
constexpr const wchar_t* kDownloadFail = L"Download Fail!";

// Builder parameters
constexpr const wchar_t* kAudioAddressOdd = L"Audio start address can't be odd value.";
constexpr const wchar_t* kImageAddressOdd = L"Image start address can't be odd value.";

// Write command
constexpr const wchar_t* kNoMediaFiles = L"No audio or image file in the list windows.";
constexpr const wchar_t* kSampleRateZero = L"Target sample rate can't be 0.";
constexpr const char* kConvertingFormat = "Converting %s...";
constexpr const wchar_t* kConvertAudioFail = L"Convert audio file fail.";
constexpr const wchar_t* kConvertImageFail = L"Convert image file fail.";
constexpr const wchar_t* kNoAudioOutput = L"There is no audio output to play the clip on.";
constexpr const wchar_t* kPackaging = L"Packaging image files...";
constexpr const wchar_t* kPackFail = L"Pack image file fail.";
constexpr const wchar_t* kNotAnsiPathPrefix =
    L"This file name can't be handed to the converters (it holds characters outside the system's code page), "
    L"so it is not added:\r\n";
constexpr const wchar_t* kPackSuccess = L"Packag image success.";
constexpr const wchar_t* kWriteSuccess = L"Writing image files to flash success.";
constexpr const char* kPackedImageFormat = "%sPackedImageFile.bin";
// After a sentence saying how the packed image runs past the flash's end.
constexpr const wchar_t* kGoOnAnyway = L"\r\n\r\nGo on anyway?";

// Save command
constexpr const wchar_t* kSavingImage = L"Saving image file...";
constexpr const wchar_t* kSaveSuccess = L"Saving image file success.";
constexpr const wchar_t* kSaveImageFail = L"Save image file fail.";
constexpr const char* kSaveImageName = "PackedImageFile.bin";

// Media sets
constexpr const char* kMediaSetFilter = "Media Set File|*.tms|All Files|*.*||";
constexpr const char* kMediaSetExtension = "tms";
constexpr const wchar_t* kOpenSetFailPrefix = L"Open media set file fail.\r\n";
constexpr const wchar_t* kSaveSetFail = L"Save media set file fail.";
constexpr const wchar_t* kSetOpenedFormat = L"Media set %s opened.";
constexpr const wchar_t* kSetSavedFormat = L"Media set %s saved.";

// File lists
constexpr const wchar_t* kMaxAudioFiles = L"Maximum audio files is 65535.";
constexpr const wchar_t* kMaxImageFiles = L"Maximum image files is 65535.";
constexpr const char* kAudioFilter = "MP3/WAV File|*.mp3;*.wav||";
constexpr const char* kImageFilter = "Image File|*.jpg;*.bmp;*.png;*.gif||";
constexpr const wchar_t* kNotMediaPrefix =
    L"These files are neither audio (MP3, WAV) nor image files (JPG, BMP, PNG, GIF), so they are not added:";

// Settings store: sections and keys
constexpr const char* kSectionOptional = "Optional";
constexpr const char* kSectionAudioList = "Audio File List";
constexpr const char* kSectionImageList = "Image File List";
constexpr const char* kKeySpeechFormat = "Speech Format";
constexpr const char* kKeySampleRate = "Sample Rate";
constexpr const char* kKeySystemClock = "System Clock";
constexpr const char* kKeyBackgroundColor = "Background Color";
constexpr const char* kKeyAudioStart = "Audio Start Address";
constexpr const char* kKeyImageStart = "Image Start Address";
constexpr const char* kKeyFlashType = "Flash Type";
constexpr const char* kKeyCount = "Count";

// Writer dialog
constexpr const wchar_t* kWriterTitle = L"Downloading file...";
constexpr const char* kWaitDownloadFormat = "Wait USB device to download %s...";
constexpr const char* kWaitErase = "Wait USB device to erase flash...";
constexpr const wchar_t* kSetFlashInfoFailed = L"Set flash information failed.";
constexpr const wchar_t* kDeviceDownloadFail = L"USB device download fail.";

}  // namespace texts
