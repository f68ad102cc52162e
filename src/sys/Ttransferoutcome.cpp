#include "sys/Ttransferoutcome.h"

#include <cerrno>

#include "sys/Errornumbertext.h"

TTransferOutcome TTransferOutcome::SystemError(int error)
{
    if (error == ECANCELED)
        return Refused(TRefusal::StoppedByUser);
    // A step that failed without saying why still failed.
    return TTransferOutcome(TRefusal::None, error != 0 ? error : EIO);
}

namespace {
const char* RefusalText(TRefusal refusal)
{
    switch (refusal) {
    case TRefusal::None:
        return "";
    case TRefusal::OutsideRoots:
        return "the path leaves the roots of the comparison";
    case TRefusal::LinkedFolder:
        return "a folder on its path is a symbolic link";
    case TRefusal::SourceNotFile:
        return "the source is not a file";
    case TRefusal::DestinationIsFolder:
        return "the destination is a folder";
    case TRefusal::SameFile:
        return "source and destination are one file";
    case TRefusal::ReadOnly:
        return "read-only";
    case TRefusal::SourceReadOnly:
        return "the source is read-only";
    case TRefusal::DestinationChanged:
        return "changed since the comparison";
    case TRefusal::SourceChanged:
        return "the source changed since the comparison";
    case TRefusal::PlacedThisRun:
        return "the destination was placed earlier in this run";
    case TRefusal::LookAlikeName:
        return "the file system takes its name for another file's";
    case TRefusal::CopyDiffers:
        return "the copy differs from its source";
    case TRefusal::NoTrash:
        return "no trash can take it";
    case TRefusal::StoppedByUser:
        return "stopped by the user";
    case TRefusal::OnlyInDestination:
        return "the file is only in the destination";
    case TRefusal::NotOnlyInDestination:
        return "the file is not only in the destination";
    case TRefusal::OtherContents:
        return "the old place holds other contents";
    case TRefusal::SourceHasFolder:
        return "the source has a folder of that path";
    case TRefusal::EarlierFailure:
        return "an earlier item did not succeed";
    }
    return "";
}
}  // namespace

std::string ReasonText(const TTransferOutcome& outcome)
{
    if (outcome.ErrorNumber() == 0)
        return RefusalText(outcome.RefusalKind());
    return ErrorNumberText(outcome.ErrorNumber());
}
