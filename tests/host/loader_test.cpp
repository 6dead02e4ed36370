#include <stdexcept>

#include "host/mdlsystem.h"
#include "host/sim/resources/resources.h"
#include "host/sim/system/system.h"
#include "support/host_fixture.h"

namespace {

/* What the test applications' callbacks saw. */
struct Seen {
    std::vector<int> unloadTypes;
    int refuse = 0;
    MdlDesc* current = nullptr;
    std::string task;
    std::vector<std::string> argv;
};
Seen seen;

int testUnload(int type) {
    seen.unloadTypes.push_back(type);
    seen.current = sim::currentApplication();
    return seen.refuse;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Applications : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        seen = Seen{};
        sim::defineVariable("MS_MDL", std::string(ZM_MDLAPPS_DIR) + "/", 0);
        sim::defineVariable("MINIMAL_GREETING", "hello $(WHO)", 0);
        sim::defineVariable("WHO", "tests", 0);
    }
    MdlDesc* loadMinimal(const std::string& args = "", const std::string& through = "") {
        std::string error;
        MdlDesc* d = sim::loadApplication("minimal", args, through, error);
        EXPECT_NE(d, nullptr) << error;
        return d;
    }
};

}  // namespace

TEST_F(Applications, LoadsAnAddInAlongMsMdlAndEntersMdlMainWithItsArguments) {
    MdlDesc* d = loadMinimal("a b", "MS_INITAPPS");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->taskId, "MINIMAL");
    EXPECT_EQ(d->loadPath, std::string(ZM_MDLAPPS_DIR) + "/minimal.so");
    EXPECT_EQ(d->resourcePath, std::string(ZM_MDLAPPS_DIR) + "/minimal.ma");
    EXPECT_NE(d->dlHandle, nullptr);
    std::string console = sim::consoleText();
    EXPECT_TRUE(contains(console, "minimal: hello tests\n")) << console;
    EXPECT_TRUE(contains(console, "loaded from minimal.so as task MINIMAL through MS_INITAPPS with a b\n")) << console;
    ASSERT_EQ(d->argv.size(), 5u);
    EXPECT_EQ(d->argv[4], nullptr);
    EXPECT_EQ(mdlSystem_findMdlDesc("Minimal"), d);
    EXPECT_EQ(mdlSystem_getMdlDescFromProcessNumber(mdlSystem_getProcessNumberFromMdlDesc(d)), d);
    EXPECT_EQ(mdlSystem_getMdlAppVersionNumber(d), 0x00010203);
    EXPECT_NE(d->unloadFunction, nullptr);
    EXPECT_EQ(sim::currentApplication(), nullptr); /* restored after MdlMain */
    /* Its own resource file was open for MdlMain, which showed a message from it. */
    EXPECT_NE(sim::applicationResourceFile(d), 0u);
    EXPECT_TRUE(contains(console, "minimal: message 1 of list 1, from my own resource file\n")) << console;
    /* Cross call into the add-in by name, on its behalf. */
    EXPECT_EQ(dlmSystem_callMdlFunction("ID", d, "minimal_scale", 7, 2.5), 17);
    EXPECT_EQ(dlmSystem_callMdlFunction("ID", d, "no_such_function", 7, 2.5), 0);
    EXPECT_TRUE(contains(sim::consoleText(), "MINIMAL has no function no_such_function"));
}

TEST_F(Applications, OrdinaryUnloadHonoursARefusalAndAForcedOneDoesNot) {
    MdlDesc* d = loadMinimal();
    ASSERT_NE(d, nullptr);
    int pn = mdlSystem_getProcessNumberFromMdlDesc(d);
    sim::defineVariable("MINIMAL_REFUSE_UNLOAD", "1", CFGVAR_LEVEL_USER);
    EXPECT_FALSE(sim::unloadApplication(d, false));
    EXPECT_TRUE(d->alive);
    EXPECT_EQ(mdlSystem_findMdlDesc("minimal"), d);
    EXPECT_TRUE(contains(sim::consoleText(), "minimal: unload refused"));

    EXPECT_TRUE(sim::unloadApplication(d, true));
    EXPECT_FALSE(d->alive);
    EXPECT_EQ(d->dlHandle, nullptr);
    EXPECT_EQ(sim::applicationResourceFile(d), 0u);
    EXPECT_TRUE(contains(sim::consoleText(), "minimal: unloading (type -1)"));
    EXPECT_EQ(mdlSystem_getMdlDescFromProcessNumber(pn), nullptr);
    EXPECT_EQ(mdlSystem_getProcessNumberFromMdlDesc(d), pn); /* the stale descriptor still compares */
    EXPECT_EQ(mdlSystem_findMdlDesc("minimal"), nullptr);
    EXPECT_FALSE(sim::unloadApplication(d, true));           /* already gone */

    /* Loaded again: a fresh start with a new process number. */
    MdlDesc* again = loadMinimal();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(mdlSystem_getProcessNumberFromMdlDesc(again), pn);
    EXPECT_EQ(dlmSystem_callMdlFunction("ID", again, "minimal_scale", 3, 2.0), 6);
}

TEST_F(Applications, LoadFailuresHaveStatusesAndMessages) {
    std::string error;
    int status = 0;
    EXPECT_EQ(sim::loadApplication("nosuch", "", "", error, &status), nullptr);
    EXPECT_EQ(status, LOAD_NOT_FOUND);
    EXPECT_TRUE(contains(error, "Cannot find application nosuch"));
    EXPECT_EQ(sim::loadApplication("  ", "", "", error, &status), nullptr);
    EXPECT_EQ(status, LOAD_BAD_NAME);

    writeFile("apps/broken.so", "this is no shared library");
    sim::defineVariable("MS_MDL", path("apps/"), CFGVAR_LEVEL_USER);
    EXPECT_EQ(mdlSystem_loadMdlProgram(nullptr, "broken", nullptr), LOAD_CANNOT_LOAD);
    EXPECT_TRUE(contains(sim::consoleText(), "Cannot load application BROKEN"));
    EXPECT_EQ(mdlSystem_findMdlDesc("broken"), nullptr);
    sim::undefineVariable("MS_MDL", CFGVAR_LEVEL_USER);

    ASSERT_EQ(mdlSystem_loadMdlProgram("MINIMAL", nullptr, nullptr), 0);
    EXPECT_EQ(mdlSystem_loadMdlProgram(nullptr, "minimal.ma", nullptr), LOAD_ALREADY_LOADED);
    EXPECT_EQ(mdlSystem_loadMdlProgram(nullptr, nullptr, nullptr), LOAD_BAD_NAME);
}

TEST_F(Applications, BuiltinApplicationsStartOnTheirOwnBehalfAndAThrowingStartFails) {
    sim::registerBuiltinApplication("SIMTESTAPP", [](int argc, char** argv) {
        seen.current = sim::currentApplication();
        for (int i = 0; i <= argc; ++i) seen.argv.push_back(argv[i] ? argv[i] : "<null>");
        mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, reinterpret_cast<void*>(testUnload));
        return 0;
    });
    ASSERT_EQ(mdlSystem_loadMdlProgram(nullptr, "simtestapp", "x  y"), 0);
    MdlDesc* d = mdlSystem_findMdlDesc("SIMTESTAPP");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(seen.current, d);
    EXPECT_EQ(seen.argv, (std::vector<std::string>{"SIMTESTAPP", "", "x", "y", "<null>"}));

    sim::registerBuiltinApplication("SIMTESTTHROWS", [](int, char**) -> int { throw std::runtime_error("boom"); });
    EXPECT_EQ(mdlSystem_loadMdlProgram(nullptr, "simtestthrows", nullptr), LOAD_START_FAILED);
    EXPECT_EQ(mdlSystem_findMdlDesc("simtestthrows"), nullptr);
}

TEST_F(Applications, SetFunctionNeedsACurrentApplicationAndAnswersThePreviousOne) {
    EXPECT_EQ(mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, reinterpret_cast<void*>(testUnload)), nullptr);
    MdlDesc* app = sim::registerApplication("second");
    sim::CurrentApplicationScope scope(app);
    EXPECT_EQ(mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, reinterpret_cast<void*>(testUnload)), nullptr);
    EXPECT_EQ(mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, nullptr), reinterpret_cast<void*>(testUnload));
    EXPECT_EQ(mdlSystem_setFunction(99, reinterpret_cast<void*>(testUnload)), nullptr);
    EXPECT_STREQ(mdlSystem_getCurrTaskID(), "SECOND");
    EXPECT_EQ(mdlSystem_getCurrMdlDesc(), app);
}

TEST_F(Applications, ExitAndUnloadsAskedForDuringACallWaitUntilItReturns) {
    MdlDesc* app = sim::registerApplication("second");
    {
        sim::CurrentApplicationScope scope(app);
        mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, reinterpret_cast<void*>(testUnload));
    }
    seen.refuse = 1; /* refuses ordinary unloads; an exit is not one */
    {
        sim::CurrentApplicationScope scope(app);
        mdlSystem_exit(5, 1);
        EXPECT_TRUE(app->alive);
    }
    EXPECT_TRUE(app->alive);
    sim::processPendingUnloads();
    EXPECT_FALSE(app->alive);
    EXPECT_EQ(app->exitStatus, 5);
    EXPECT_EQ(seen.unloadTypes, (std::vector<int>{UNLOAD_BY_EXIT}));
    EXPECT_EQ(seen.current, app);

    /* An ordinary unload asked for inside the application's own call is
    ** deferred, then asked (and refused) once the call is over; the end of
    ** an event runs what is pending. */
    MdlDesc* other = sim::registerApplication("third");
    {
        sim::CurrentApplicationScope scope(other);
        mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, reinterpret_cast<void*>(testUnload));
    }
    seen.unloadTypes.clear();
    sim::runEvent([&] {
        sim::CurrentApplicationScope scope(other);
        EXPECT_TRUE(sim::unloadApplication(other, false));
        EXPECT_TRUE(seen.unloadTypes.empty());
        return true;
    });
    EXPECT_EQ(seen.unloadTypes, (std::vector<int>{UNLOAD_ORDINARY}));
    EXPECT_TRUE(other->alive);
}

TEST_F(Applications, NewDesignFileLoadsDgnAppsOnceAndCallsEveryApplication) {
    sim::defineVariable("MS_DGNAPPS", "minimal", 0);
    sim::notifyNewDesignFile("c:\\work\\first.dgn", 1);
    MdlDesc* d = mdlSystem_findMdlDesc("minimal");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->loadedThrough, "MS_DGNAPPS");
    sim::notifyNewDesignFile("c:\\work\\second.dgn", 1);
    EXPECT_EQ(mdlSystem_findMdlDesc("minimal"), d);
    std::string console = sim::consoleText();
    size_t loaded = console.find("through MS_DGNAPPS\n");
    size_t told = console.find("minimal: design file c:\\work\\first.dgn, state 1\n");
    EXPECT_NE(loaded, std::string::npos) << console;
    EXPECT_NE(told, std::string::npos) << console;
    EXPECT_LT(loaded, told) << "loaded first, then told of the file";
    EXPECT_TRUE(contains(console, "design file c:\\work\\second.dgn, state 1")) << console;

    sim::defineVariable("MS_INITAPPS", "nosuch;minimal", 0);
    std::string error;
    EXPECT_FALSE(sim::loadApplicationsFrom("MS_INITAPPS", error));
    EXPECT_TRUE(contains(error, "nosuch"));
}

TEST_F(Applications, ShutdownUnloadsNewestFirstWithoutAsking) {
    seen.refuse = 1;
    for (const char* name : {"first", "second"}) {
        MdlDesc* app = sim::registerApplication(name);
        sim::CurrentApplicationScope scope(app);
        mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, reinterpret_cast<void*>(testUnload));
    }
    MdlDesc* second = sim::loadedApplications().back();
    int listener = sim::addApplicationListener({nullptr, [](MdlDesc* d) { seen.task += d->taskId + ";"; }});
    sim::unloadAllApplications();
    sim::removeApplicationListener(listener);
    EXPECT_TRUE(sim::loadedApplications().empty());
    EXPECT_EQ(seen.unloadTypes, (std::vector<int>{UNLOAD_SHUTDOWN, UNLOAD_SHUTDOWN}));
    EXPECT_EQ(seen.task, "SECOND;FIRST;");
    EXPECT_FALSE(second->alive);
}

TEST_F(Applications, KeyinsDispatchByLongestMatchAndReportUnknownOnes) {
    static std::string ran;
    static sim::Registration once([] {
        sim::registerKeyin("simtest go", [](const std::string& rest, std::string&) { ran = "go:" + rest; return true; });
        sim::registerKeyin("simtest go far", [](const std::string& rest, std::string&) { ran = "far:" + rest; return true; });
        sim::addKeyinSource({[](const std::string& k) -> size_t { return k.rfind("simtest", 0) == 0 ? 2 : 0; },
                             [](const std::string& k, std::string&) { ran = "source:" + k; return true; }});
    });
    std::string error;
    EXPECT_TRUE(sim::dispatchKeyin("SIMTEST Go far Away", error));
    EXPECT_EQ(ran, "far:Away");
    EXPECT_TRUE(sim::dispatchKeyin("simtest go x", error)); /* a tie of two words: the host's own wins */
    EXPECT_EQ(ran, "go:x");
    EXPECT_TRUE(sim::dispatchKeyin("simtest other thing", error));
    EXPECT_EQ(ran, "source:simtest other thing");
    EXPECT_FALSE(sim::dispatchKeyin("  no such thing ", error));
    EXPECT_EQ(error, "Unknown key-in: no such thing");
    EXPECT_FALSE(sim::dispatchKeyin("mdl load", error));
    EXPECT_EQ(error, "mdl load: application name expected");
    EXPECT_FALSE(sim::dispatchKeyin("mdl unload nothing", error));
    EXPECT_TRUE(contains(error, "not loaded"));
    EXPECT_TRUE(sim::dispatchKeyin("mdl load minimal", error)) << error;
    EXPECT_TRUE(sim::dispatchKeyin("mdl unload minimal", error)) << error;
    EXPECT_EQ(mdlSystem_findMdlDesc("minimal"), nullptr);
}
