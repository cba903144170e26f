#include "service/stop_timeout.h"

#include <gtest/gtest.h>

TEST(StopTimeout, AbsentOrUnusableMeansNoLimit) {
    EXPECT_EQ(stopTimeoutMilliseconds(nullptr), kNoStopTimeout);
    for (const char* text : {"", "-1", "+5", " 5", "5 ", "5s", "1.5", "abc"}) {
        std::string entry = text;
        EXPECT_EQ(stopTimeoutMilliseconds(&entry), kNoStopTimeout) << text;
    }
}

TEST(StopTimeout, SecondsBecomeMilliseconds) {
    std::string zero = "0", two = "2", leading = "007", big = "4294967";
    EXPECT_EQ(stopTimeoutMilliseconds(&zero), 0);
    EXPECT_EQ(stopTimeoutMilliseconds(&two), 2000);
    EXPECT_EQ(stopTimeoutMilliseconds(&leading), 7000);
    EXPECT_EQ(stopTimeoutMilliseconds(&big), 4294967000ll);
}

TEST(StopTimeout, HugeValuesAreCappedBelowInfinite) {
    for (const char* text : {"4294968", "2147483647", "99999999999999999999999"}) {
        std::string entry = text;
        EXPECT_EQ(stopTimeoutMilliseconds(&entry), 0xFFFFFFFEll) << text;
    }
}
