/* Tests of commands and menus: key-ins parsed through the applications'
** command tables, the command queue after the current event, the host's
** lock and unload commands, locks and active parameters, and the menu bar. */
#include <cstring>
#include <memory>

#include "host/sim/base/base.h"
#include "host/sim/system/system.h"
#include "tests/host/dialog_test_util.h"

using dlgtest::DialogTest;

namespace {

std::vector<std::string> ran; /* "command:unparsed" in the order commands ran */

void cmdPlace(char* u) { ran.push_back(std::string("place:") + u); }
void cmdPlaceText(char* u) { ran.push_back(std::string("placetext:") + u); }
void cmdOther(char* u) { ran.push_back(std::string("other:") + u); }
void cmdQueueTwo(char* u) {
    ran.push_back("queue");
    mdlDialog_cmdNumberQueue(0, 0x0100, "first", 1);
    mdlDialog_cmdNumberQueue(0, 0x0200, "second", 1);
    ran.push_back("queued");
}

const MdlCommandNumber table[] = {
    {cmdPlace,     0x0100},
    {cmdPlaceText, 0x0200},
    {cmdQueueTwo,  0x0300},
    {nullptr,      0},
};
const MdlCommandNumber otherTable[] = {
    {cmdOther, 0x0100},
    {nullptr,  0},
};

}  // namespace

class Commands : public DialogTest {
protected:
    MdlDesc* app = nullptr;
    void SetUp() override {
        DialogTest::SetUp();
        ran.clear();
        addCommands(1, {{0x0100, {"DIM", "PLACE"}}, {0x0200, {"DIM", "PLACE", "TEXT"}}, {0x0300, {"DIM", "QUEUE"}},
                        {0x0400, {"DIM", "UNREGISTERED"}}});
        sim::MenuRsc m;
        m.id = 1;
        m.title = "~Dim";
        m.entries.push_back({"~Place", 0, 0x0200, "", 0, {}});
        m.entries.push_back({"More", 0, 0, "", 0, {{"Queue", 0, 0, "dim queue", 0, {}}}});
        addMenu(m);
        app = application("dim");
        sim::CurrentApplicationScope scope(app);
        ASSERT_EQ(mdlSystem_registerCommandNumbers(table), HOST_SUCCESS);
        ASSERT_NE(mdlParse_loadCommandTable(0), nullptr);
    }
    bool keyin(const std::string& k, std::string* why = nullptr) {
        std::string error;
        bool ok = sim::dispatchKeyin(k, error);
        if (why) *why = error;
        return ok;
    }
};

TEST_F(Commands, KeyinTakesTheLongestMatchCaseInsensitively) {
    ASSERT_TRUE(keyin("dim place"));
    ASSERT_TRUE(keyin("Dim Place Text  hello  world "));
    ASSERT_TRUE(keyin("DIM PLACE texts"));
    EXPECT_EQ(ran, (std::vector<std::string>{"place:", "placetext:hello  world", "place:texts"}));

    std::string why;
    EXPECT_FALSE(keyin("dim", &why)) << "a part of a command's words is not the command";
    EXPECT_EQ(why, "Unknown key-in: dim");
    EXPECT_FALSE(keyin("frobnicate the widgets", &why));
    EXPECT_EQ(why, "Unknown key-in: frobnicate the widgets");
    EXPECT_FALSE(keyin("dim unregistered", &why));
    EXPECT_NE(why.find("has no function"), std::string::npos);
}

TEST_F(Commands, EachApplicationRunsItsOwnFunctionsAndLeavesWithItsKeyins) {
    MdlDesc* other = sim::registerApplication("other", path("app.ma"));
    ASSERT_EQ(sim::openApplicationResources(other), RSC_SUCCESS);
    {
        sim::CurrentApplicationScope scope(other);
        ASSERT_EQ(mdlSystem_registerCommandNumbers(otherTable), HOST_SUCCESS);
        ASSERT_NE(mdlParse_loadCommandTable(0), nullptr);
    }
    ASSERT_TRUE(keyin("dim place"));
    EXPECT_EQ(ran.back(), "place:") << "the application loaded first wins a tie";
    ASSERT_TRUE(sim::unloadApplication(app, true));
    ASSERT_TRUE(keyin("dim place"));
    EXPECT_EQ(ran.back(), "other:");
    std::string why;
    EXPECT_FALSE(keyin("dim place text", &why)) << "the other's table has the words but no function";
    ASSERT_TRUE(sim::unloadApplication(other, true));
    EXPECT_FALSE(keyin("dim place", &why));
    EXPECT_EQ(why, "Unknown key-in: dim place");
}

TEST_F(Commands, QueuedCommandsRunAfterTheCurrentEventInOrder) {
    ASSERT_TRUE(sim::runEvent([&] {
        EXPECT_TRUE(keyin("dim queue"));
        EXPECT_EQ(sim::queuedCommands(), 2u);
        return true;
    }));
    EXPECT_EQ(ran, (std::vector<std::string>{"queue", "queued", "place:first", "placetext:second"}));
    EXPECT_EQ(sim::queuedCommands(), 0u);
}

TEST_F(Commands, HostCommandsSwitchLock517AndUnloadATask) {
    sim::runEvent([] {
        mdlDialog_cmdNumberQueue(0, static_cast<CommandNumber>(CMD_LOCK_ON), nullptr, 1);
        EXPECT_EQ(mdlParams_getLock(LOCK_517), 0) << "not before the event ends";
        return true;
    });
    EXPECT_EQ(mdlParams_getLock(LOCK_517), 1);
    sim::runEvent([] { return mdlDialog_cmdNumberQueue(0, static_cast<CommandNumber>(CMD_LOCK_OFF), nullptr, 1) == 0; });
    EXPECT_EQ(mdlParams_getLock(LOCK_517), 0);

    sim::clearOutputLog();
    sim::runEvent([] {
        return mdlDialog_cmdNumberQueue(0, static_cast<CommandNumber>(CMD_UNLOAD_APPLICATION), "DIM", 1) == 0;
    });
    EXPECT_FALSE(app->alive);
    EXPECT_TRUE(logged("Unloaded application DIM"));

    sim::runEvent([] { return mdlDialog_cmdNumberQueue(0, 0x7777, nullptr, 1) == 0; });
    EXPECT_TRUE(logged("Command 0x00007777 is not registered"));
    EXPECT_EQ(sim::queuedCommands(), 0u);

    int starts = sim::defaultCommandStarts();
    mdlState_startDefaultCommand();
    EXPECT_EQ(sim::defaultCommandStarts(), starts + 1);
}

TEST_F(Commands, ActiveParametersKeepTheirForms) {
    int32_t colour = 5, got = 0;
    ASSERT_EQ(mdlParams_setActive(&colour, ACTIVEPARAM_COLOR), HOST_SUCCESS);
    ASSERT_EQ(mdlParams_getActive(&got, ACTIVEPARAM_COLOR), HOST_SUCCESS);
    EXPECT_EQ(got, 5);
    double scale = 0;
    ASSERT_EQ(mdlParams_getActive(&scale, ACTIVEPARAM_SCALE), HOST_SUCCESS);
    EXPECT_EQ(scale, 1.0);
    std::string longName(400, 'n');
    ASSERT_EQ(mdlParams_setActive(longName.c_str(), ACTIVEPARAM_LINESTYLENAME), HOST_SUCCESS);
    char name[MAX_PARAM_TEXT];
    ASSERT_EQ(mdlParams_getActive(name, ACTIVEPARAM_LINESTYLENAME), HOST_SUCCESS);
    EXPECT_EQ(std::strlen(name), size_t(MAX_PARAM_TEXT - 1)) << "cut to fit, terminated";
    EXPECT_EQ(mdlParams_getActive(&got, 999), HOST_ERROR);
    EXPECT_EQ(mdlParams_setActive(nullptr, ACTIVEPARAM_COLOR), HOST_ERROR);
}

TEST_F(Commands, MenuGoesInFrontOfHostMenu522AndComesOut) {
    auto scope = std::make_unique<sim::CurrentApplicationScope>(app);
    MenuBar* bar = mdlDialog_menuBarGetCmdWinP();
    ASSERT_NE(bar, nullptr);
    MenuBarMenu* help = mdlDialog_menuBarFindMenu(bar, RTYPE_PULLDOWN, -522);
    ASSERT_NE(help, nullptr);
    MenuBarMenu* mine = mdlDialog_menuBarInsMenu(bar, RTYPE_PULLDOWN, 1, help);
    ASSERT_NE(mine, nullptr);
    auto menus = sim::menuBarMenus();
    ASSERT_GE(menus.size(), 2u);
    EXPECT_EQ(menus[menus.size() - 2].second, "~Dim");
    EXPECT_EQ(menus.back().first, -522);
    EXPECT_EQ(mdlDialog_menuBarFindMenu(bar, RTYPE_PULLDOWN, 1), mine);
    EXPECT_EQ(mdlDialog_menuBarInsMenu(bar, RTYPE_PULLDOWN, 99, help), nullptr) << "no such menu";

    std::string error;
    ASSERT_TRUE(sim::runEvent([&] { return sim::pickMenu("dim>place", error); })) << error;
    EXPECT_EQ(ran.back(), "placetext:") << "its command number was queued and ran after the pick";
    ASSERT_TRUE(sim::runEvent([&] { return sim::pickMenu("Dim > More > Queue", error); })) << error;
    EXPECT_EQ(ran[1], "queue") << "a key-in entry";
    EXPECT_FALSE(sim::pickMenu("Dim>Nothing", error));
    EXPECT_FALSE(sim::pickMenu("Dim>More", error)) << "a submenu does nothing";

    EXPECT_EQ(mdlDialog_menuBarDeleteMenu(mine, bar, 0, 0), HOST_SUCCESS);
    EXPECT_EQ(mdlDialog_menuBarFindMenu(bar, RTYPE_PULLDOWN, 1), nullptr);
    EXPECT_EQ(mdlDialog_menuBarDeleteMenu(mine, bar, 0, 0), HOST_ERROR) << "deleted twice";
    EXPECT_EQ(sim::menuBarMenus().back().first, -522);

    /* A menu of an application that unloads leaves the bar with it. */
    ASSERT_NE(mdlDialog_menuBarInsMenu(bar, RTYPE_PULLDOWN, 1, nullptr), nullptr);
    scope.reset();
    ASSERT_TRUE(sim::unloadApplication(app, true));
    EXPECT_EQ(mdlDialog_menuBarFindMenu(bar, RTYPE_PULLDOWN, 1), nullptr);

    sim::setCommandWindowMenuBar(false);
    EXPECT_EQ(mdlDialog_menuBarGetCmdWinP(), nullptr);
    EXPECT_EQ(mdlDialog_menuBarInsMenu(bar, RTYPE_PULLDOWN, 1, nullptr), nullptr);
}

TEST(MenuLayout, EntryHooksFollowTheEntriesAndOlderMenusStillDecode) {
    sim::MenuRsc m;
    m.title = "T";
    m.entries.push_back({"a", 1, 0, "", 0, {}});
    std::vector<uint8_t> plain;
    ASSERT_EQ(sim::packMenu(m, plain), RSC_SUCCESS);
    m.entries.push_back({"b", 2, 0, "", 0, {{"c", 3, 0, "", 0, {}, 77}}, 66});
    std::vector<uint8_t> bytes;
    ASSERT_EQ(sim::packMenu(m, bytes), RSC_SUCCESS);
    sim::MenuRsc back;
    ASSERT_EQ(sim::decodeMenu(bytes.data(), bytes.size(), back), RSC_SUCCESS);
    EXPECT_EQ(back.entries, m.entries);
    EXPECT_EQ(back.entries[1].submenu[0].hookId, 77);

    /* Without entry hooks the bytes are those of a menu that never had them. */
    m.entries.pop_back();
    std::vector<uint8_t> again;
    ASSERT_EQ(sim::packMenu(m, again), RSC_SUCCESS);
    EXPECT_EQ(again, plain);

    /* A hook block that does not count every entry is damage. */
    bytes[bytes.size() - 16] ^= 1; /* the count of three hooks */
    EXPECT_EQ(sim::decodeMenu(bytes.data(), bytes.size(), back), RSCERR_BAD_RESOURCE);
}
