#pragma once
// What became of one item of the file operations: it succeeded, or the reason it did not, as
// the kind of refusal that left the files alone or the error number of the system step that
// failed. The user reads the reason beside the item's "Not succeeded".

#include <cstdint>
#include <string>

enum class TRefusal : std::int8_t {
    None,
    // The path does not lie below the root of its tree.
    OutsideRoots,
    // A folder on the path is a symbolic link: the run never goes through one.
    LinkedFolder,
    SourceNotFile,
    DestinationIsFolder,
    // Source and destination name one file, or one folder seen twice.
    SameFile,
    ReadOnly,
    // A move's source, which stays with its copy made.
    SourceReadOnly,
    DestinationChanged,
    SourceChanged,
    // The destination is a file that an earlier item of this run placed.
    PlacedThisRun,
    // The file system folds names and takes the destination's name for another entry's.
    LookAlikeName,
    // The copy's size is not its source's when written, or its bytes differ when read back.
    CopyDiffers,
    // The trash has no place for a file of that device.
    NoTrash,
    StoppedByUser,
    // The row names a file that only the destination has: the source-side operations leave it be.
    OnlyInDestination,
    // A removal from the destination takes only rows of files that only the destination has.
    NotOnlyInDestination,
    // A source file's old place holds other bytes: it is no rename of it.
    OtherContents,
    // A folder the destination alone was to have turned up in the source.
    SourceHasFolder,
    // An earlier copy or rename of the run did not succeed: nothing is removed after it.
    EarlierFailure,
};

class TTransferOutcome {
public:
    static TTransferOutcome Success() { return TTransferOutcome(TRefusal::None, 0); }
    static TTransferOutcome Refused(TRefusal refusal) { return TTransferOutcome(refusal, 0); }
    // The error number of the failed step; ECANCELED is a stop by the user.
    static TTransferOutcome SystemError(int error);

    bool Succeeded() const { return Refusal == TRefusal::None && Error == 0; }
    explicit operator bool() const { return Succeeded(); }
    TRefusal RefusalKind() const { return Refusal; }
    int ErrorNumber() const { return Error; }
    bool operator==(const TTransferOutcome&) const = default;

private:
    TTransferOutcome(TRefusal refusal, int error) : Refusal(refusal), Error(error) {}

    TRefusal Refusal;
    int Error;
};

// The reason in a few words for the user ("read-only", "No space left on device"); empty for
// a success. Safe on any thread.
std::string ReasonText(const TTransferOutcome& outcome);
