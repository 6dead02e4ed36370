/* Shared set-up of the application tests: the scratch folder mapped to drive
** C:, and the application registered with the add-in's own resource file,
** started through MdlMain with a scripted user. */
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/locate.h"
#include "app/resourceids.h"
#include "app/tarvik.h"
#include "app/tarvik_int.h"
#include "app/tarvikstate.h"
#include "host/mdldialog.h"
#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "host/sim/dialogs/dialogs.h"
#include "host/sim/interaction/interaction.h"
#include "host/sim/design/design.h"
#include "host/sim/resources/resources.h"
#include "lib/elements/elmattr.h"
#include "support/host_fixture.h"

class AppTest : public HostTest {
protected:
    MdlDesc* app = nullptr;
    int answer = ACTIONBUTTON_OK;
    std::vector<int32_t> modalDialogs;
    std::unique_ptr<sim::CurrentApplicationScope> scope;   /* set by startOnNewDesign */

    void SetUp() override {
        HostTest::SetUp();
        mapDriveC();
        sim::setModalHandler([this](DialogBox* db) {
            modalDialogs.push_back(mdlDialog_getId(db));
            return answer;
        });
    }
    void TearDown() override {
        scope.reset();
        /* The attribute definitions belong to the application's global data,
        ** which the reset drops without the application's clean-up. */
        if (app && app->alive) {
            sim::CurrentApplicationScope scope(app);
            zmlibElmAttr_freeAllAttribute();
            zmlibElmAttr_freeGroupeNames();
        }
        HostTest::TearDown();
    }
    /* The scratch folder is drive C:. */
    void mapDriveC() const { sim::defineVariable("_HOST_DRIVE_C", path(""), CFGVAR_LEVEL_SYSTEM); }
    static void define(const std::string& name, const std::string& value) {
        sim::defineVariable(name, value, CFGVAR_LEVEL_SITE);
    }
    /* Register the application and run its MdlMain as the host does. */
    void start(const char* through = "") {
        app = sim::registerApplication("TARVIK", ZM_MDLAPPS_DIR "/tarvik.ma");
        ASSERT_EQ(sim::openApplicationResources(app), RSC_SUCCESS);
        sim::CurrentApplicationScope scope(app);
        char* argv[] = {const_cast<char*>("C:\\zm\\apps\\bin\\mdl\\x\\tarvik.dll"), const_cast<char*>(through), nullptr};
        MdlMain(2, argv);
    }
    /* Start the application, open the new design file NAME in the scratch
    ** folder and go on on the application's behalf. */
    void startOnNewDesign(const std::string& name) {
        start();
        std::string error;
        ASSERT_TRUE(sim::design::open(dir + "/" + name, true, error)) << error;
        scope = std::make_unique<sim::CurrentApplicationScope>(app);
    }
    /* Run KEYIN as the user types it, then the queued commands. */
    static bool keyin(const std::string& text) {
        std::string error;
        bool ok = sim::dispatchKeyin(text, error);
        sim::runCommandQueue();
        sim::processPendingUnloads();
        return ok;
    }
    static bool menuHasTarvik() {
        for (auto& [id, title] : sim::menuBarMenus())
            if (title.find("Tarvik") != std::string::npos) return true;
        return false;
    }
};
