// Connect and Disconnect: the connection test and the status panel.
#include "TessalineDlg.h"
#include "StatusLine.h"
#include "Texts.h"

int CTessalineDlg::CapacityIndex()
{
    int index = m_capacity.GetCurSel();
    if (index < 0 || index >= kCapacityCount) {
        index = kDefaultCapacityIndex;
        m_capacity.SetCurSel(index);
    }
    return index;
}

void CTessalineDlg::OnConnect()
{
    // The worker uses the binding and the status panel until it ends.
    if (IsDeviceBusy())
        return;
    int bits = CapacityBits(CapacityIndex());
    int handle = m_usb.Open(0);
    if (handle < 0) {
        MessageBox(texts::kConnectFailed, texts::kCaptionDownload, MB_OK);
        return;
    }
    MessageBox(texts::kConnected, texts::kCaptionDownload, MB_OK);
    m_usb.Close(handle);
    m_download.EnableWindow(TRUE);
    m_status.SetWindowText(StatusLine(texts::kPrefixConnected, bits, texts::kMiddle, 0,
                                      texts::kSuffixConnected).c_str());
}

void CTessalineDlg::OnDisconnect()
{
    if (IsDeviceBusy())
        return;
    m_usb.Close(1);
    MessageBox(texts::kDisconnected, texts::kCaptionDownload, MB_OK);
    m_download.EnableWindow(FALSE);
    m_status.SetWindowText(StatusLine(texts::kPrefixDisconnected, 0, texts::kMiddle, 0,
                                      texts::kSuffixDisconnected).c_str());
}
