#include <gtest/gtest.h>

#include <cerrno>

#include "sys/Ttransferoutcome.h"

TEST(TransferOutcome, EachOutcomeTellsItsReason)
{
    EXPECT_TRUE(TTransferOutcome::Success());
    EXPECT_EQ(ReasonText(TTransferOutcome::Success()), "");
    EXPECT_FALSE(TTransferOutcome::Refused(TRefusal::ReadOnly));
    EXPECT_EQ(ReasonText(TTransferOutcome::Refused(TRefusal::ReadOnly)), "read-only");
    EXPECT_EQ(ReasonText(TTransferOutcome::Refused(TRefusal::LinkedFolder)), "a folder on its path is a symbolic link");
    EXPECT_EQ(ReasonText(TTransferOutcome::SystemError(ENOSPC)), "No space left on device");
    // A stop in hand comes back from the copy as ECANCELED.
    EXPECT_EQ(TTransferOutcome::SystemError(ECANCELED), TTransferOutcome::Refused(TRefusal::StoppedByUser));
    // A step that failed without an error number did not succeed all the same.
    EXPECT_FALSE(TTransferOutcome::SystemError(0));
    EXPECT_EQ(ReasonText(TTransferOutcome::SystemError(0)), "Input/output error");
    EXPECT_EQ(ReasonText(TTransferOutcome::SystemError(100'000)), "error 100000");
}
