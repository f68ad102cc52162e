#include "sys/Tcontentreader.h"

#include <algorithm>
#include <cstring>
#include <memory>

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
    if (!secondFile.IsOpen())
        return Ended(TContentsVerdict::Unreadable, size);
    return CompareOpen(firstFile.Get(), secondFile.Get(), size);
}

TContentsVerdict TContentReader::CompareOpen(int first, int second, std::int64_t size)
{
    std::int64_t offset = 0;
    const auto ended = [&](TContentsVerdict verdict) { return Ended(verdict, size - offset); };
    if (size < 0 || !IsRegularFileOfSize(first, size) || !IsRegularFileOfSize(second, size))
        return ended(TContentsVerdict::Unreadable);
    const auto piece = static_cast<std::int64_t>(PieceFor(size));
    // The kernel reads ahead of both files while this thread waits on either, so two devices
    // read at once; asked for a wider window, it reads ahead further.
    posix_fadvise(first, 0, 0, POSIX_FADV_SEQUENTIAL);
    posix_fadvise(second, 0, 0, POSIX_FADV_SEQUENTIAL);
    while (offset < size) {
        if (offset > 0 && Stop && Stop())
            return ended(TContentsVerdict::Stopped);
        const auto length = static_cast<std::size_t>(std::min<std::int64_t>(size - offset, piece));
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

TContentsVerdict TContentReader::Ended(TContentsVerdict verdict, std::int64_t unread)
{
    if (Compared != nullptr && verdict != TContentsVerdict::Stopped)
        Compared->fetch_add(std::max<std::int64_t>(unread, 0), std::memory_order_relaxed);
    return verdict;
}

std::size_t TContentReader::PieceFor(std::int64_t size)
{
    const std::size_t piece =
        size >= static_cast<std::int64_t>(LargestPiece)
            ? LargestPiece
            : std::max(PieceStep, (static_cast<std::size_t>(size) + PieceStep - 1) / PieceStep * PieceStep);
    // Not zeroed: every byte compared is read first.
    if (piece > BufferSize) {
        FirstBuffer = std::make_unique_for_overwrite<char[]>(piece);
        SecondBuffer = std::make_unique_for_overwrite<char[]>(piece);
        BufferSize = piece;
    }
    return piece;
}
