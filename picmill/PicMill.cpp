// Image converter library: JPG, BMP, PNG or GIF in, RBF image data out.
// The conversion is not there yet: the export reports failure.
#include <windows.h>

extern "C" {

int WINAPI ConvertImageResourceToRBF(const char*, const char*, unsigned int, unsigned int, int, int,
                                     const unsigned char*)
{
    return 0;
}

}
