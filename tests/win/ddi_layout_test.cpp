#include "host/oem_uni.h"
#include "tests/win/ddi_facts.h"

DdiFacts OwnDdiFacts() {
    return {ZD_DDI_FACTS(ZD_DDI_FACT)};
}

#include <gtest/gtest.h>

namespace {

TEST(HostContract, EngineStructuresMatchThePlatformHeader) {
    const DdiFacts own = OwnDdiFacts();
    const DdiFacts platform = PlatformDdiFacts();
    ASSERT_EQ(own.size(), platform.size());
    for (std::size_t i = 0; i < own.size(); ++i)
        EXPECT_EQ(own[i].second, platform[i].second) << own[i].first;
}

}  // namespace
