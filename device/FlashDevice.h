// A programmer's device as a small table of operations, each returning a
// plain result as the driver library does: the flash runs use nothing else
// of a device. C_USBCmd fills it in over the driver library; the console's
// gang wraps one to keep track of handles; tests can supply their own.
#pragma once

class FlashDevice {
public:
    // A device handle, negative when no device could be opened.
    virtual int Open(int deviceNumber) = 0;
    virtual void Close(int handle) = 0;
    // Nonzero when the driver took the flash type.
    virtual int SetFlashInfo(int handle, int flashTypeCode, int reserved) = 0;
    // 1 when the whole flash was erased.
    virtual int InitFlash(int handle) = 0;
    // Nonzero on success, with *programmed set to the bytes programmed.
    virtual int Program(int handle, const unsigned char* data, int count, unsigned int flashAddress,
                        int* programmed) = 0;

protected:
    ~FlashDevice() = default;
};

// A device that passes every operation on to another; a wrapper that watches
// some of them overrides those and calls these.
class FlashDeviceFilter : public FlashDevice {
public:
    explicit FlashDeviceFilter(FlashDevice& device) : m_device(device) {}

    int Open(int deviceNumber) override { return m_device.Open(deviceNumber); }
    void Close(int handle) override { m_device.Close(handle); }
    int SetFlashInfo(int handle, int flashTypeCode, int reserved) override
    {
        return m_device.SetFlashInfo(handle, flashTypeCode, reserved);
    }
    int InitFlash(int handle) override { return m_device.InitFlash(handle); }
    int Program(int handle, const unsigned char* data, int count, unsigned int flashAddress,
                int* programmed) override
    {
        return m_device.Program(handle, data, count, flashAddress, programmed);
    }

protected:
    ~FlashDeviceFilter() = default;

private:
    FlashDevice& m_device;
};
