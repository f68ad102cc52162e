#include <gtest/gtest.h>

#include "operations/Ttransfermeter.h"

TEST(TransferMeter, TellsSizesTheRateAndTheTimeLeft)
{
    EXPECT_EQ(TTransferMeter::PlanText(1, 999), "1 item, 999 bytes");
    EXPECT_EQ(TTransferMeter::PlanText(1234, 1'260'000), "1,234 items, 1.3 MB");

    using namespace std::chrono_literals;
    const TTransferMeter::TClock::time_point start{};
    TTransferMeter meter;
    meter.Start(10, 50'000'000, start);
    // Too soon for a rate.
    meter.Sample(0, 1'000'000, start + 100ms);
    EXPECT_EQ(meter.Text(), "0 of 10 items, 1.0 MB of 50.0 MB");
    meter.Sample(2, 10'000'000, start + 2s);
    EXPECT_EQ(meter.Text(), "2 of 10 items, 10.0 MB of 50.0 MB, 5.0 MB/s, 8 s left");
    meter.Sample(3, 12'500'000, start + 8s);
    EXPECT_EQ(meter.Text(), "3 of 10 items, 12.5 MB of 50.0 MB, 1.6 MB/s, 24 s left");
    meter.Sample(4, 13'000'000, start + 1h);
    EXPECT_EQ(meter.Text(), "4 of 10 items, 13.0 MB of 50.0 MB, 3.6 kB/s, 2 h 50 min left");
    meter.Sample(10, 50'000'000, start + 1h + 1s);
    EXPECT_EQ(meter.Text(), "10 of 10 items, 50.0 MB of 50.0 MB, 13.9 kB/s");
}

TEST(TransferMeter, AnEndedRunTellsWhereItCameToAndTheBarFollowsTheBytes)
{
    using namespace std::chrono_literals;
    const TTransferMeter::TClock::time_point start{};
    TTransferMeter meter;
    meter.Start(3, 3'200'000'000, start);
    meter.Sample(1, 2'100'000'000, start + 5s);
    EXPECT_EQ(meter.Text(), "1 of 3 items, 2.1 GB of 3.2 GB, 420.0 MB/s, 3 s left");
    // One large item of three moves the bar by its bytes, not by a third.
    EXPECT_EQ(meter.Percent(), 65);
    meter.End(2, 2'100'000'000);
    EXPECT_EQ(meter.Text(), "2 of 3 items, 2.1 GB of 3.2 GB");
    meter.Start(3, 3'200'000'000, start);
    meter.End(3, 3'200'000'000);
    EXPECT_EQ(meter.Text(), "3 of 3 items, 3.2 GB of 3.2 GB");
    EXPECT_EQ(meter.Percent(), 100);

    // Without bytes to count, the items move the bar.
    meter.Start(7, 0, start);
    meter.Sample(3, 0, start + 2s);
    EXPECT_EQ(meter.Percent(), 42);
    meter.Sample(0, 0, start + 3s);
    EXPECT_EQ(meter.Percent(), 0);
}
