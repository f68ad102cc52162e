#include "sys/Tcontentreader.h"

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

#include "sys/posix/Filecopy.h"
#include "sys/posix/Longpath.h"

namespace {
// Pieces of small files are rounded up to this, so that one buffer serves many sizes.
constexpr std::size_t PieceStep = 64 * 1024;

// Never blocks on a FIFO put where a file was; a regular file reads as without the flag.
TDescriptor OpenForReading(const std::string& path)
{
    return OpenAnyLength(AT_FDCWD, path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}

// Asks the device for the range now; the read that needs it finds it on its way or in the cache.
void ReadSoon(int file, std::int64_t offset, std::size_t length)
{
    posix_fadvise(file, static_cast<off_t>(offset), static_cast<off_t>(length), POSIX_FADV_WILLNEED);
}

bool IsRegularFileOfSize(int file, std::int64_t size)
{
    struct stat info {};
    return fstat(file, &info) == 0 && S_ISREG(info.st_mode) && info.st_size == size;
}
}  // namespace

TContentReader::TContentReader(std::function<bool()> stop, std::atomic<std::int64_t>* compared)
    : Stop(std::move(stop)), Compared(compared)
{}

TContentReader::~TContentReader() = default;

TContentsVerdict TContentReader::Compare(const std::string& first, const std::string& second, std::int64_t size)
{
    const TDescriptor firstFile = OpenForReading(first);
    const TDescriptor secondFile = firstFile.IsOpen() ? OpenForReading(second) : TDescriptor();
    if (!secondFile.IsOpen()) {
        if (Compared != nullptr)
            Compared->fetch_add(std::max<std::int64_t>(size, 0), std::memory_order_relaxed);
        return TContentsVerdict::Unreadable;
    }
    return CompareOpen(firstFile.Get(), secondFile.Get(), size);
}

TContentsVerdict TContentReader::CompareOpen(int first, int second, std::int64_t size)
{
    std::int64_t offset = 0;
    const auto ended = [&](TContentsVerdict verdict) {
        if (Compared != nullptr && verdict != TContentsVerdict::Stopped)
            Compared->fetch_add(std::max<std::int64_t>(size - offset, 0), std::memory_order_relaxed);
        return verdict;
    };
    if (size < 0 || !IsRegularFileOfSize(first, size) || !IsRegularFileOfSize(second, size))
        return ended(TContentsVerdict::Unreadable);
    const std::size_t piece = PieceFor(size);
    posix_fadvise(first, 0, 0, POSIX_FADV_SEQUENTIAL);
    posix_fadvise(second, 0, 0, POSIX_FADV_SEQUENTIAL);
    ReadSoon(second, 0, piece);
    while (offset < size) {
        if (offset > 0 && Stop && Stop())
            return ended(TContentsVerdict::Stopped);
        const auto length = static_cast<std::size_t>(std::min<std::int64_t>(size - offset, piece));
        if (offset + static_cast<std::int64_t>(length) < size) {
            ReadSoon(first, offset + static_cast<std::int64_t>(length), piece);
            ReadSoon(second, offset + static_cast<std::int64_t>(length), piece);
        }
        const ssize_t firstRead = ReadUpTo(first, FirstBuffer.get(), length, static_cast<off_t>(offset));
        const ssize_t secondRead = ReadUpTo(second, SecondBuffer.get(), length, static_cast<off_t>(offset));
        // Shorter than seen: cut while read.
        if (firstRead != static_cast<ssize_t>(length) || secondRead != static_cast<ssize_t>(length))
            return ended(TContentsVerdict::Unreadable);
        if (std::memcmp(FirstBuffer.get(), SecondBuffer.get(), length) != 0)
            return ended(TContentsVerdict::Different);
        offset += static_cast<std::int64_t>(length);
        if (Compared != nullptr)
            Compared->fetch_add(static_cast<std::int64_t>(length), std::memory_order_relaxed);
    }
    // Longer than seen: grown while read, and the bytes beyond were never compared.
    char beyond = 0;
    if (ReadUpTo(first, &beyond, 1, static_cast<off_t>(size)) != 0 ||
        ReadUpTo(second, &beyond, 1, static_cast<off_t>(size)) != 0)
        return ended(TContentsVerdict::Unreadable);
    return TContentsVerdict::Same;
}

std::size_t TContentReader::PieceFor(std::int64_t size)
{
    const std::size_t piece =
        size >= static_cast<std::int64_t>(LargestPiece)
            ? LargestPiece
            : std::max(PieceStep, (static_cast<std::size_t>(size) + PieceStep - 1) / PieceStep * PieceStep);
    // Left uninitialised: every byte compared is read first.
    if (piece > BufferSize) {
        FirstBuffer.reset(new char[piece]);
        SecondBuffer.reset(new char[piece]);
        BufferSize = piece;
    }
    return piece;
}
