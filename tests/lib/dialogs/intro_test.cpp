#include <string>
#include <vector>

#include "lib/core/core_fixture.h"
#include "lib/dialogs/intro_int.h"

namespace {

using zmlib::intro::DIALOG_ABOUT;
using zmlib::intro::DIALOG_INTRO;

class Intro : public CoreTest {
protected:
    static const char* texts(int i) {
        static const char* t[12] = {"two", "three", nullptr, nullptr, nullptr, nullptr, "Config", nullptr,
                                    nullptr, nullptr, nullptr, nullptr};
        return t[i];
    }
    /* Fill the texts of the calling application with BUILD, PATH in slot 7 and DISPLAYTIME. */
    static void fill(const char* build, const std::string& path, int displayTime) {
        zmlibIntro_msgBoxNew("Tarvik", build, texts(0), texts(1), texts(2), texts(3), texts(4), path.c_str(),
                             texts(6), texts(7), texts(8), texts(9), texts(10), texts(11), displayTime);
    }
    static std::string label(DialogBox* db, int32_t id) {
        char text[300] = "";
        DialogItem* it = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_LABEL, id, 0);
        if (it) mdlDialog_itemGetLabel(text, sizeof text, db, it->itemIndex);
        return text;
    }
};

TEST_F(Intro, VersionTextAndSlots) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    ASSERT_EQ(zmlibIntro_setVersionNumber(), 0);
    EXPECT_EQ(static_cast<uint32_t>(mdlSystem_getMdlAppVersionNumber(nullptr)), 0x37020508u);
    std::string longPath = "C:\\" + std::string(300, 'd') + "\\tarvik.cfg";
    fill("12", longPath, 0);
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    EXPECT_STREQ(gd->aboutTexts[0], "Tarvik");
    EXPECT_STREQ(gd->aboutTexts[1], "08.05.12");
    EXPECT_STREQ(gd->aboutTexts[2], "two");
    EXPECT_LE(std::strlen(gd->aboutTexts[7]), 256u);
    EXPECT_NE(std::string(gd->aboutTexts[7]).find("tarvik.cfg"), std::string::npos);

    /* The about box shows them; a path has its balloon text. */
    DialogBox* about = mdlDialog_open(0, DIALOG_ABOUT);
    ASSERT_NE(about, nullptr);
    char title[100] = "";
    mdlWindow_titleGet(title, sizeof title, about);
    EXPECT_STREQ(title, "Velmont Tarvik");
    EXPECT_EQ(label(about, 20013), "08.05.12");
    EXPECT_EQ(label(about, 20000), "two");
    EXPECT_EQ(label(about, 20008), gd->aboutTexts[7]);
    bool balloon = false;
    for (const std::string& line : sim::describeDialog(about))
        balloon = balloon || line.find("balloon \"" + std::string(gd->aboutTexts[7]) + "\"") != std::string::npos;
    EXPECT_TRUE(balloon);
    mdlWindow_close(about);

    /* Without a build text slot 1 stays as it was: a new application shows no version. */
    MdlDesc* b = startApp("BETA");
    sim::CurrentApplicationScope sb(b);
    fill(nullptr, "", 0);
    EXPECT_STREQ(zmlibMain_getGlobalDataP()->aboutTexts[1], "");
}

TEST_F(Intro, DisplayTimeClosesTheIntroOrKeepsItOpen) {
    MdlDesc* a = startApp("ALPHA");
    {
        sim::CurrentApplicationScope s(a);
        fill("1", "", 2);
        ASSERT_NE(mdlDialog_find(DIALOG_INTRO, nullptr), nullptr);
    }
    sim::waitTicks(119);
    EXPECT_NE(sim::findOpenDialog(DIALOG_INTRO), nullptr);
    sim::waitTicks(1);
    EXPECT_EQ(sim::findOpenDialog(DIALOG_INTRO), nullptr);
    EXPECT_EQ(sim::activeTimers(), 0u);

    {
        sim::CurrentApplicationScope s(a);
        fill("1", "", 0);
    }
    sim::waitTicks(60 * 600);
    EXPECT_NE(sim::findOpenDialog(DIALOG_INTRO), nullptr);
}

TEST_F(Intro, AnInitAppShowsItsIntroAfterTheFirstDesignFile) {
    MdlDesc* a = startApp("ALPHA", "MS_INITAPPS");
    sim::CurrentApplicationScope s(a);
    fill("1", "", 0);
    EXPECT_EQ(mdlDialog_find(DIALOG_INTRO, nullptr), nullptr);
    zmlibMain_newDesignFile("first.design", 1);
    DialogBox* intro = mdlDialog_find(DIALOG_INTRO, nullptr);
    ASSERT_NE(intro, nullptr);
    /* The images are drawn with white transparent once the design file is open. */
    mdlDialog_itemsDrawAll(intro);
    std::vector<std::string> drawn = sim::dialogDrawings(intro);
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.front().rfind("image ZMIM 1 ", 0), 0u) << drawn.front();
    EXPECT_NE(drawn.front().find("transparent #ffffff"), std::string::npos);
}

}  // namespace
