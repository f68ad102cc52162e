#pragma once
// The file work of one run of the operations over items below the two roots of a comparison:
// replacing a destination with a complete copy of its source, moving, deleting, and, on the
// destination's side, renaming a moved file where it stands and removing what only the
// destination has. Paths
// below a root are never resolved through a symbolic link, a read-only file is never replaced
// or deleted, and no item replaces a file that an earlier item of the run placed. The calls
// are virtual so that tests can make them wait or fail in ways the real file system cannot be
// made to on demand. Copies, and the renames and copies of moves, may run on several threads at
// once, for destinations that cannot meet; every other call comes while none of them runs.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "sys/Ttransferoutcome.h"

// The source and destination roots of the comparison the items come from.
struct TTransferRoots {
    std::string Source;
    std::string Destination;
};

// What the comparison saw of an item's two files: sizes in bytes, last-write times in units of
// 100 ns since 1601, and the destination's ChangeIdentity.
struct TSeenFiles {
    std::int64_t SourceSize = 0;
    std::int64_t SourceTime = 0;
    bool DestinationExisted = false;
    std::int64_t DestinationSize = 0;
    std::int64_t DestinationTime = 0;
    std::uint64_t DestinationIdentity = 0;
};

// How the move of one kept copy ended: the destination as CopyToMove was given it.
struct TCompletedMove {
    std::string Destination;
    TTransferOutcome Outcome;
};

// The switches of a run.
struct TTransferOptions {
    // A copy counts only once it was read back from the device and found equal to its source,
    // and a rename only once every byte of the old place was found equal to it.
    bool Verify = false;
    // What a copy replaces and what a delete or a removal removes goes to the desktop trash.
    bool Trash = false;
};

// While it lives, the copies made on the thread that made it add their bytes to its counter as
// they land; another thread may read it at any time. What a copy gone on with found kept is not
// written again, and is not counted.
class TThreadByteCount {
public:
    explicit TThreadByteCount(std::atomic<std::int64_t>* counter);
    ~TThreadByteCount();
    TThreadByteCount(const TThreadByteCount&) = delete;
    TThreadByteCount& operator=(const TThreadByteCount&) = delete;

private:
    std::atomic<std::int64_t>* Before;
};

class TFileTransfer {
public:
    explicit TFileTransfer(const TTransferRoots& roots, const TTransferOptions& options = {});
    virtual ~TFileTransfer();
    TFileTransfer(const TFileTransfer&) = delete;
    TFileTransfer& operator=(const TFileTransfer&) = delete;

    // Replaces destination with a copy of source that carries its contents (holes included),
    // owner where the process may set it, extended attributes, permission bits and times. The
    // copy gets the destination's name only when complete, so a failure leaves destination as
    // it was; a destination that is a symbolic link is replaced, never written through.
    // Missing folders are made with the permission bits and owner of the source's. Refused,
    // without writing anything, when both paths name one file, when the destination is
    // read-only, when it is a file this run placed, or, where seen is given, when it is
    // neither what the comparison saw nor already equal to the source.
    virtual TTransferOutcome Copy(const std::string& source, const std::string& destination, const TSeenFiles* seen);
    // Copies as Copy does, with the copy on disk, then deletes source, but only when its path
    // still names the very file that was read, unchanged, and not the copy, and when it is
    // not read-only; or renames it, as MoveByRenaming does. A move of one file, with no batch
    // of CopyToMove in hand.
    virtual TTransferOutcome Move(const std::string& source, const std::string& destination, const TSeenFiles* seen);
    // A move inside one local file system whose renames survive a crash whole: the source, a
    // file of one name that is not read-only, takes the destination's name where that is free
    // and no file placed by the run looks like it. False where it did not move: the move is
    // then to be made as a copy, which alone replaces a destination, with its looks again.
    virtual bool MoveByRenaming(const std::string& source, const std::string& destination);
    // The first half of a move whose copies are made durable together: copies as Copy does,
    // without waiting for the copy to reach the device, and keeps it, with its source open, for
    // CompleteMoves. A stop heard before the copy takes its name discards it (or keeps a large
    // one for the next run, as a stopped copy). Nothing is kept where this fails.
    virtual TTransferOutcome CopyToMove(const std::string& source, const std::string& destination,
                                        const TSeenFiles* seen);
    // The second half, while no copy runs: makes every kept copy durable at once, then deletes
    // the source of each one that is, with the look again of Move. One outcome per kept copy;
    // none is kept afterwards.
    virtual std::vector<TCompletedMove> CompleteMoves();
    // Removes the directory entry of a file (a link itself, never its target); never a
    // directory, nor a read-only file, nor, where seen is given, one that changed since the
    // comparison.
    virtual TTransferOutcome Delete(const std::string& source, const TSeenFiles* seen);

    // Gives the destination-only file from, a source file's old place, that source's path to,
    // both below the destination root: seen holds the source's facts and from's as the
    // comparison saw them. Only while both are unchanged since and from holds the source's
    // bytes (SampledContentsEqual, or every byte where the run verifies), and never over an
    // entry at to; a name that differs in case alone goes through a temporary name. Any refusal
    // leaves both where they were, for a copy instead.
    virtual TTransferOutcome Rename(const std::string& source, const std::string& from, const std::string& to,
                                    const TSeenFiles& seen);
    // Removes a destination file below the destination root, into the trash where the run's
    // options say so; never a directory, a read-only file, a file this run placed, nor one that
    // changed since the comparison saw it (seen's destination facts).
    virtual TTransferOutcome Remove(const std::string& destination, const TSeenFiles& seen);
    // Removes the empty folder below the destination root, never the root itself, where the
    // source has none of its path; a folder that is not empty stays, with ENOTEMPTY.
    virtual TTransferOutcome RemoveEmptyFolder(const std::string& folder);

    // Whether its copies spend most of their time waiting for the device, reading themselves back.
    bool ReadsCopiesBack() const;
    // Ends the copy in hand between two pieces of its data or of its read-back, or while its
    // flush is waited for, once stop says so; that copy then fails and is discarded. A copy of
    // 64 MiB or more is kept instead, under a hidden name, as it is where a kill or a full or
    // vanished destination ends it: the next copy of the same version of its source goes on
    // from the part of it that still holds the source's bytes. Stop may read what another
    // thread sets.
    void StopWhen(std::function<bool()> stop);

    // Gives the folders that the run made, and had to keep open to their owner while it
    // filled them, the permission bits of their source folders. Called at the end of a run.
    void Finish();

    // Temporary names are hidden and end in this suffix.
    static constexpr const char* TemporarySuffix = ".vellumark-tmp";

protected:
    // Moves the bytes of the open source to the open, empty target; 0, or the error number.
    virtual int CopyContents(int source, int target, const struct stat& sourceInfo) const;
    // Writes everything the file system of the open folder holds in memory to its device; 0, or
    // the error number.
    virtual int SyncFileSystem(int folder) const;

private:
    struct TCopiedFile;
    struct TState;

    // forMove: the copy is made durable later, with others, and a stop still discards it.
    TTransferOutcome CopyItem(const std::string& source, const std::string& destination, bool forMove,
                              const TSeenFiles* seen, TCopiedFile& copied);
    // Deletes the source of the move whose copy is durable, after looking again.
    TTransferOutcome DeleteMovedSource(int sourceDirectory, const TCopiedFile& copied);
    // Makes the kept copies durable; one outcome per copy.
    std::vector<TTransferOutcome> SyncKeptCopies();

    std::unique_ptr<TState> State;
};
