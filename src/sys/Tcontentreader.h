#pragma once
// Tells whether two files hold the same bytes, reading both side by side in large pieces and
// stopping at the first difference. A reader serves one thread at a time and keeps its two
// buffers from pair to pair: its memory is two pieces, whatever the sizes of the files.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

enum class TContentsVerdict : std::uint8_t {
    // No reader has compared the pair (yet).
    NotRead,
    Same,
    Different,
    // Not opened or not read, not a regular file, or found of another size than it was seen
    // with: what was judged is no longer what is there.
    Unreadable,
    Stopped,
};

class TContentReader {
public:
    // The largest piece read from each file at a time: a stop is heard between two pieces.
    static constexpr std::size_t LargestPiece = std::size_t{1} << 20;

    // stop: asked between two pieces; true ends the reading. compared, where given: each piece
    // compared is added as it is, and what a difference or a failure left unread once known,
    // so that a pair adds its size in all unless stopped.
    explicit TContentReader(std::function<bool()> stop, std::atomic<std::int64_t>* compared = nullptr);
    ~TContentReader();
    TContentReader(const TContentReader&) = delete;
    TContentReader& operator=(const TContentReader&) = delete;

    // The files at the two paths, both seen with this size.
    TContentsVerdict Compare(const std::string& first, const std::string& second, std::int64_t size);
    // The same for two open files, read from their start.
    TContentsVerdict CompareOpen(int first, int second, std::int64_t size);

private:
    // The verdict, with the bytes left unread counted as compared unless stopped.
    TContentsVerdict Ended(TContentsVerdict verdict, std::int64_t unread);
    // The pieces' size for files of this size, and buffers that hold them.
    std::size_t PieceFor(std::int64_t size);

    const std::function<bool()> Stop;
    std::atomic<std::int64_t>* const Compared;
    std::unique_ptr<char[]> FirstBuffer;
    std::unique_ptr<char[]> SecondBuffer;
    std::size_t BufferSize = 0;
};
