#include "DownloadMath.h"

bool FitsCapacity(uint64_t fileBytes, int capacityBits)
{
    if (capacityBits < 0)
        return false;
    // Bytes times 8 cannot wrap for any length a file system reports.
    return fileBytes <= UINT64_MAX / 8 && fileBytes * 8 <= static_cast<uint64_t>(capacityBits);
}

int ProgressPosition(uint32_t done, uint32_t total)
{
    if (total == 0)
        return 0;
    return static_cast<int>(static_cast<uint32_t>(done * 100u) / total);
}
