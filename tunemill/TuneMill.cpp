// Audio converter library: MP3 or WAV in, speech data in the APM or MDM format out.
// The conversions are not there yet: every export reports failure.
#include <windows.h>

extern "C" {

int WINAPI ConvertWAVToAPMWithResample(const char*, const char*, const char*, int) { return 0; }
int WINAPI ConvertMP3ToAPMWithResample(const char*, const char*, const char*, int) { return 0; }
int WINAPI ConvertWAVToMDMWithResample(const char*, const char*, const char*, int) { return 0; }
int WINAPI ConvertMP3ToMDMWithResample(const char*, const char*, const char*, int) { return 0; }

}
