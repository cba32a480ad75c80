// Comm_OpenSetup failures beside the probe: a library without factory, a factory that gives nothing.
#include "probe_fixture.h"

namespace {

TEST(OpenSetup, LibraryWithoutFactoryPostsErrorZero)
{
    CPostBox post;
    // Tasquel.dll beside the test exports no GetNewInfoPtr.
    EXPECT_EQ(Comm_OpenSetup(post.Handle(), kDorvaneParallel, 1), 0);
    EXPECT_EQ(post.TakeCommError(), 0);
    EXPECT_EQ(post.TakeCommError(), -1) << "one post only";
    EXPECT_EQ(Comm_IsOpened(), 0);
}

TEST(OpenSetup, FactoryGivingNoObjectPostsErrorZero)
{
    CPostBox post;
    ProbeControl* control = ProbeLibraryControl();
    ASSERT_NE(control, nullptr);
    control->factoryFails = 1;
    EXPECT_EQ(Comm_OpenSetup(post.Handle(), kDorvaneSerial, 1), 0);
    EXPECT_EQ(control->factoryCalls, 1);
    EXPECT_EQ(post.TakeCommError(), 0);
    EXPECT_EQ(Comm_IsOpened(), 0);
}

TEST(OpenSetup, InterfaceOutsideTheFourSetsUpNothing)
{
    CPostBox post;
    for (int iface : {-1, 4}) {
        EXPECT_EQ(Comm_OpenSetup(post.Handle(), iface, 1), 0);
        EXPECT_EQ(Comm_IsOpened(), 0);
    }
}

}  // namespace
