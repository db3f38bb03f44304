#include "Packer.h"
#include "BuilderParams.h"
#include "PackLayout.h"
#include "CFile.h"
#include "StagedFile.h"
#include "StringConv.h"
#include <cstring>
#include <memory>
#include <new>

namespace {

enum class CopyResult { done, notOpened, inputShort, outputFailed };

// The inputs' paths are in the ANSI code page.
bool NamesOutput(const std::vector<std::string>& inputs, const std::wstring& fullOutput)
{
    for (const std::string& input : inputs) {
        if (::lstrcmpiW(CFile::FullPath(WideFromAnsi(input)).c_str(), fullOutput.c_str()) == 0)
            return true;
    }
    return false;
}

// Copies the first size bytes of input to output through the buffer.
CopyResult CopyWhole(CFile& input, uint64_t size, StagedFile& output, uint8_t* buffer)
{
    while (size > 0) {
        const UINT chunk = size > kPackCopyBufferSize ? kPackCopyBufferSize : static_cast<UINT>(size);
        if (input.Read(buffer, chunk) != chunk)
            return CopyResult::inputShort;
        if (!output.Write(buffer, chunk))
            return CopyResult::outputFailed;
        size -= chunk;
    }
    return CopyResult::done;
}

bool WriteFill(StagedFile& output, uint64_t count, uint8_t* buffer)
{
    memset(buffer, 0xFF, kPackCopyBufferSize);
    while (count > 0) {
        const UINT chunk = count > kPackCopyBufferSize ? kPackCopyBufferSize : static_cast<UINT>(count);
        if (!output.Write(buffer, chunk))
            return false;
        count -= chunk;
    }
    return true;
}

// The summed sizes of the files that can be looked at; others count 0.
uint64_t SizeOfFiles(const std::vector<std::string>& paths)
{
    uint64_t total = 0;
    for (const std::string& path : paths) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        if (::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
            total += (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return total;
}

bool WriteCount(StagedFile& output, size_t count)
{
    const uint8_t bytes[2] = {static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8)};
    return output.Write(bytes, 2) != 0;
}

// What is refused before anything is written: an input that is the output
// itself (nothing is touched then), counts that don't fit their 16 bits,
// audio without a sample rate.
PackFailure Refusal(const std::vector<std::string>& audioFiles, const std::vector<std::string>& imageFiles,
                    const std::wstring& outputPath, const PackParams& params)
{
    // Creating the output would destroy an input of the same name.
    const std::wstring fullOutput = CFile::FullPath(outputPath);
    if (NamesOutput(audioFiles, fullOutput) || NamesOutput(imageFiles, fullOutput))
        return PackFailure::outputIsInput;
    return CheckPackCounts(audioFiles.size(), imageFiles.size(), params);
}

// The output of one pack, written section by section under a temporary
// name and put in place only when whole. Any failure discards it (and the
// file it was to replace, where the caller asks so); so does an input that
// could not be read whole, at the end.
class PackOutput {
public:
    PackOutput(const std::wstring& path, const PackParams& params, PackResult& result, OldOutput old)
        : m_path(path), m_params(params), m_result(result), m_old(old)
    {
    }

    // Creates the output and the copy buffer, and writes the audio count
    // and n zero records as a placeholder for the header.
    bool Open(size_t n)
    {
        if (!m_file.Create(m_path)) {
            m_result.failure = PackFailure::outputNotWritten;
            m_result.systemError = ::GetLastError();
            RemoveOld();
            return false;
        }
        m_layout = PackLayout(m_params, n);
        m_buffer.reset(new (std::nothrow) uint8_t[kPackCopyBufferSize]);
        if (!m_buffer)
            return Fail(PackFailure::noMemory);
        if (!WriteHeader())
            return Fail(PackFailure::outputNotWritten);
        return true;
    }

    // The clips back to back, then the header again with every record
    // filled, so that each input is read only once.
    bool WriteAudio(const std::vector<std::string>& audioFiles)
    {
        for (size_t k = 0; k < audioFiles.size(); ++k) {
            uint64_t size = 0;
            const CopyResult copied = CopyInput(audioFiles[k], &size);
            if (copied == CopyResult::outputFailed)
                return Fail(PackFailure::outputNotWritten);
            if (copied == CopyResult::notOpened)
                continue;  // its record stays zero
            m_layout.PlaceClip(k, size);
        }
        m_next = m_result.audioEnd = m_layout.Next();
        if (audioFiles.empty())
            return true;
        if (!m_file.Seek(0) || !WriteHeader() || !m_file.Seek(static_cast<int64_t>(m_next - m_params.audioStart)))
            return Fail(PackFailure::outputNotWritten);
        return true;
    }

    // 0xFF up to the image start, the image count and the images.
    bool WriteImages(const std::vector<std::string>& imageFiles)
    {
        // Known to end past the address space: refused before any fill is written.
        const PackFailure placed = m_layout.PlaceImages(imageFiles.size(), SizeOfFiles(imageFiles));
        m_result.imageStart = m_layout.ImageStart();
        if (placed == PackFailure::pastAddressSpace)
            m_result.end = m_layout.End();
        if (placed != PackFailure::none)
            return Fail(placed);
        const uint64_t imageStart = m_layout.ImageStart();
        if (!WriteFill(m_file, imageStart - m_next, m_buffer.get()) || !WriteCount(m_file, imageFiles.size()))
            return Fail(PackFailure::outputNotWritten);
        m_next = imageStart + 2;
        for (const std::string& path : imageFiles) {
            uint64_t size = 0;
            if (CopyInput(path, &size) == CopyResult::outputFailed)
                return Fail(PackFailure::outputNotWritten);
            m_next += size;
        }
        return true;
    }

    // Keeps the output only when every input was read whole and it ends
    // within the address space.
    bool Finish()
    {
        m_buffer.reset();
        m_result.end = m_next;
        if (!m_result.file.empty())
            return Fail(PackFailure::inputUnreadable);
        if (m_next > kFlashAddressSpace)
            return Fail(PackFailure::pastAddressSpace);
        if (!m_file.Commit())
            return Fail(PackFailure::outputNotWritten);
        return true;
    }

private:
    bool Fail(PackFailure failure)
    {
        if (failure == PackFailure::outputNotWritten)
            m_result.systemError = ::GetLastError();
        m_result.failure = failure;
        m_file.Discard();
        RemoveOld();
        return false;
    }

    void RemoveOld()
    {
        if (m_old == OldOutput::removeOnFailure)
            CFile::Remove(m_path.c_str());
    }

    // Copies an input whole and gives its size. One that can't be opened
    // or read whole is noted (the first of them is told) and the pack goes on.
    CopyResult CopyInput(const std::string& path, uint64_t* size)
    {
        CFile input;
        if (!input.Open(path.c_str(), CFile::modeRead | CFile::shareExclusive)) {
            InputFailed(path);
            return CopyResult::notOpened;
        }
        *size = input.GetLength();
        const CopyResult copied = CopyWhole(input, *size, m_file, m_buffer.get());
        if (copied == CopyResult::inputShort)
            InputFailed(path);
        return copied;
    }

    void InputFailed(const std::string& path)
    {
        if (m_result.file.empty())
            m_result.file = path;
    }

    bool WriteHeader()
    {
        const std::vector<uint8_t>& header = m_layout.Header();
        return m_file.Write(header.data(), static_cast<UINT>(header.size())) != 0;
    }

    const std::wstring m_path;
    const PackParams& m_params;
    PackResult& m_result;
    const OldOutput m_old;
    StagedFile m_file;
    PackLayout m_layout;
    std::unique_ptr<uint8_t[]> m_buffer;
    uint64_t m_next = 0;  // flash address of the next byte to be written
};

}  // namespace

bool CopyPackedImage(const std::wstring& packed, const std::wstring& target)
{
    CFile input;
    StagedFile output;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kPackCopyBufferSize]);
    return buffer && input.Open(packed.c_str(), CFile::modeRead | CFile::shareDenyWrite) && output.Create(target)
           && CopyWhole(input, input.GetLength(), output, buffer.get()) == CopyResult::done && output.Commit();
}

uint64_t SectorBoundaryAtOrAfter(uint64_t flashAddress)
{
    return (flashAddress + kFlashSectorSize - 1) / kFlashSectorSize * kFlashSectorSize;
}

int PackImage(const std::vector<std::string>& audioFiles, const std::vector<std::string>& imageFiles,
              const std::string& outputPath, const PackParams& params)
{
    return PackImage(audioFiles, imageFiles, WideFromAnsi(outputPath), params, nullptr, OldOutput::removeOnFailure);
}

int PackImage(const std::vector<std::string>& audioFiles, const std::vector<std::string>& imageFiles,
              const std::wstring& outputPath, const PackParams& params, PackResult* result, OldOutput old)
{
    PackResult local;
    PackResult& r = result ? *result : local;
    r = PackResult();
    r.failure = Refusal(audioFiles, imageFiles, outputPath, params);
    if (r.failure != PackFailure::none) {
        if (r.failure != PackFailure::outputIsInput && old == OldOutput::removeOnFailure)
            CFile::Remove(outputPath.c_str());
        return 0;
    }
    PackOutput output(outputPath, params, r, old);
    if (!output.Open(audioFiles.size()) || !output.WriteAudio(audioFiles))
        return 0;
    if (!imageFiles.empty() && !output.WriteImages(imageFiles))
        return 0;
    return output.Finish() ? 1 : 0;
}
