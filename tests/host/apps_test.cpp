#include "host/sim/system/system.h"
#include "support/host_fixture.h"

using SimApplications = HostTest;

TEST_F(SimApplications, ScopeRestoresPreviousApplication) {
    MdlDesc* a = sim::registerApplication("first");
    MdlDesc* b = sim::registerApplication("second");
    {
        sim::CurrentApplicationScope sa(a);
        EXPECT_EQ(sim::currentApplication(), a);
        {
            sim::CurrentApplicationScope sb(b);
            EXPECT_EQ(sim::currentApplication(), b);
        }
        EXPECT_EQ(sim::currentApplication(), a);
    }
    EXPECT_EQ(sim::currentApplication(), nullptr);
    EXPECT_EQ(sim::findApplication("SECOND"), b);
    sim::endApplication(b);
    EXPECT_EQ(sim::findApplication("second"), nullptr);
    EXPECT_FALSE(b->alive);
}

TEST(SimEvents, NestedEventsJoinTheOuterOneAndThrowRollsBack) {
    int begins = 0, commits = 0, rollbacks = 0;
    int id = sim::addEventListener({[&] { ++begins; }, [&](bool ok) { ok ? ++commits : ++rollbacks; }});
    sim::runEvent([] { return sim::runEvent([] { return true; }); });
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(commits, 1);
    EXPECT_THROW(sim::runEvent([]() -> bool { throw 1; }), int);
    EXPECT_EQ(rollbacks, 1);
    sim::removeEventListener(id);
}
