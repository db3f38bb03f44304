// Converting the listed media files through the two converter libraries.
#include "TessalineDlg.h"
#include "MediaConverters.h"

int CTessalineDlg::ConvertAudio(const std::string& source, const std::string& converted, int sampleRate)
{
    return MediaConverters(m_hTuneMill, m_hPicMill).ConvertAudio(m_speechFormat, source, converted, sampleRate);
}

int CTessalineDlg::ConvertImage(const std::string& source, const std::string& converted, unsigned short width,
                                unsigned short height, const unsigned char* background)
{
    return MediaConverters(m_hTuneMill, m_hPicMill).ConvertImage(source, converted, width, height, background);
}
