#pragma once
// The file work of the operations: creating a directory chain, replacing a destination with a
// complete copy of a source, and deleting a file. The calls are virtual so that tests can make
// them wait or fail in ways the real file system cannot be made to on demand.

#include <cstdint>
#include <string>

enum class TCopyOutcome {
    Copied,
    Failed,
    // The destination's directory does not exist (nothing was written).
    NoDirectory,
};

class TFileTransfer {
public:
    virtual ~TFileTransfer() = default;

    // Creates every missing directory of the chain, outermost first; "/" always exists.
    // False when one cannot be created (a component is a file, no permission). Throws
    // std::invalid_argument for the empty text, which names no directory at all. With durable
    // set, every directory made is on disk in its parent before it returns true.
    virtual bool ForceDirectories(const std::string& directory, bool durable) const;

    // Replaces destination with a copy of source that carries its contents, permission bits,
    // access and modification times and, where the process may set it, its owner. The copy gets
    // the destination's name only when complete: a new one is built as an unnamed file in the
    // destination's directory and linked in, one that replaces an existing entry under a hidden
    // temporary name that is renamed over it. So a failure leaves destination as it was and no
    // temporary file behind. A destination that is a symbolic link is replaced, never written
    // through. Fails without writing anything when both paths name one file. With durable set,
    // the data and the new directory entry are on disk before it returns Copied.
    virtual TCopyOutcome CopyFile(const std::string& source, const std::string& destination, bool durable) const;

    // Removes the directory entry of a file (a link itself, never its target); never a directory.
    virtual bool DeleteFile(const std::string& path) const;

    // The real file system.
    static const TFileTransfer& System();

    // Temporary names are hidden, end in this suffix and carry a random part; they are created
    // exclusively, so an existing file is never taken for one.
    static constexpr const char* TemporarySuffix = ".vellumark-tmp";

protected:
    // Moves the bytes of the open source, size of them as far as known, to the open, empty
    // target; 0, or the error number.
    virtual int CopyContents(int source, int target, std::int64_t size) const;
};
