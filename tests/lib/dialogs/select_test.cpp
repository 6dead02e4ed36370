#include <filesystem>
#include <string>
#include <vector>

#include "lib/core/core_fixture.h"
#include "lib/dialogs/select_int.h"

namespace {

using Names = std::vector<std::string>;

class Selection : public CoreTest {
protected:
    MdlDesc* app = nullptr;
    sim::CurrentApplicationScope* scope = nullptr;
    void SetUp() override {
        CoreTest::SetUp();
        app = startApp("ALPHA");
        scope = new sim::CurrentApplicationScope(app);
    }
    void TearDown() override {
        delete scope;
        CoreTest::TearDown();
    }
    /* NAMES with the scratch folder cut off the front and '\' shown as '/'. */
    Names relative(const std::vector<std::string>& names) const {
        Names out;
        for (std::string n : names) {
            for (char& c : n)
                if (c == '\\') c = '/';
            while (n.find("//") != std::string::npos) n.erase(n.find("//"), 1);
            out.push_back(n.substr(n.rfind(dir, 0) == 0 ? dir.size() + 1 : 0));
        }
        return out;
    }
    static Names messageLines() {
        Names out;
        StringList* l = zmlib::error::messageList();
        for (int i = 0; l && i < mdlStringList_size(l); ++i) {
            const char* t = nullptr;
            mdlStringList_getMember(&t, nullptr, l, i);
            out.push_back(t ? t : "");
        }
        return out;
    }
};

TEST_F(Selection, SearchListsSubfoldersFirstAndPatternsInOrder) {
    writeFile("top/a.dgn", "");
    writeFile("top/b.txt", "");
    writeFile("top/sub/c.dgn", "");
    writeFile("top/sub/d.txt", "");
    EXPECT_EQ(relative(zmlib::select::searchTree(path("top"), "*.txt;*.dgn")),
              (Names{"top/sub/d.txt", "top/b.txt", "top/sub/c.dgn", "top/a.dgn"}));

    /* A link back up the tree ends at the documented depth instead of looping. */
    std::filesystem::create_directory_symlink(path("top"), path("top/sub/loop"));
    std::vector<std::string> found = zmlib::select::searchTree(path("top"), "a.dgn");
    EXPECT_EQ(found.size(), static_cast<size_t>(zmlib::select::MAX_SEARCH_DEPTH / 2 + 1));
}

TEST(SelectionFolders, DoubleClickRules) {
    using zmlib::select::enterDirectory;
    EXPECT_EQ(enterDirectory("C:\\a\\b\\", ".."), "C:\\a\\");
    EXPECT_EQ(enterDirectory("C:\\", ".."), "C:\\");
    EXPECT_EQ(enterDirectory("C:\\a\\", "[-d:]"), "d:\\");
    EXPECT_EQ(enterDirectory("C:\\a", "plans"), "C:\\a\\plans\\");
}

TEST_F(Selection, ListFileKeepsNamesThatExistAndReportsTheOthers) {
    std::string a = writeFile("one.dgn", ""), b = writeFile("two.dgn", "");
    std::string list = writeFile("filelist.txt", a + "\n" + path("gone.dgn") + "\n" + b + "\n" +
                                                     std::string(300, 'x') + "\n");
    StringList* names = mdlStringList_create(0, 0);
    zmlib::select::loadListFile(names, list.c_str());
    ASSERT_EQ(mdlStringList_size(names), 2);
    const char* first = nullptr;
    mdlStringList_getMember(&first, nullptr, names, 1);
    EXPECT_EQ(std::string(first), b);
    mdlStringList_destroy(names);
    Names lines = messageLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "\"" + path("gone.dgn") + "\" not found");
    EXPECT_EQ(lines.back(), "1 files not found!");
}

int fillChoices(StringList** list, void*) {
    *list = mdlStringList_create(0, 0);
    for (const char* name : {"Short", "A much longer member"}) {
        int index = 0;
        mdlStringList_insertMember(&index, *list, -1, 1);
        mdlStringList_setMember(*list, index, name, nullptr);
    }
    return 0;
}
int fillNothing(StringList**, void*) { return 0; }

TEST_F(Selection, SinglePickerCutsTheMemberToTheDestination) {
    sim::setModalHandler([](DialogBox* db) {
        std::string error;
        int list = sim::findItem(db, "lBox:20007", error);
        EXPECT_TRUE(sim::userSelectRow(db, list, 1, 0, false, error)) << error;
        return ACTIONBUTTON_OK;
    });
    char small[7] = "zzzzzz";
    EXPECT_EQ(zmlibDialog_selectFromStringListSingle(small, sizeof small, reinterpret_cast<void*>(fillChoices),
                                                     nullptr, "Pick", "Members", 1, 0),
              1);
    EXPECT_STREQ(small, "A much");
    char untouched[4] = "abc";
    EXPECT_EQ(zmlibDialog_selectFromStringListSingle(untouched, 0, reinterpret_cast<void*>(fillChoices), nullptr,
                                                     "Pick", "Members", 1, 0),
              1);
    EXPECT_STREQ(untouched, "abc");
    EXPECT_EQ(zmlibDialog_selectFromStringListSingle(small, sizeof small, reinterpret_cast<void*>(fillNothing),
                                                     nullptr, "Pick", "Members", 1, 0),
              -1);
}

TEST_F(Selection, FilePickerGoesUpAFolderListsDrivesAndListsItsFiles) {
    writeFile("a/up.dgn", "");
    writeFile("a/other.txt", "");
    writeFile("a/b/down.dgn", "");
    writeFile("q/root.dgn", "");
    sim::defineVariable("_HOST_DRIVE_Q", dir + "/q/", CFGVAR_LEVEL_USER);
    sim::defineVariable("_HOST_DRIVE_D", dir + "/d/", CFGVAR_LEVEL_USER);
    auto rows = [](DialogItem* list) {
        Names out;
        for (int r = 0; r < mdlDialog_listBoxNRows(list); ++r) {
            char text[64] = "";
            mdlDialog_listBoxGetCellText(text, sizeof text, list, r, 0);
            out.push_back(text);
        }
        return out;
    };
    Names shownFolders, shownFiles, driveFiles;
    sim::setModalHandler([&](DialogBox* db) {
        std::string error;
        int folders = sim::findItem(db, "lBox:20004", error), files = sim::findItem(db, "lBox:20005", error);
        EXPECT_TRUE(sim::userSelectRow(db, folders, 0, 0, true, error)) << error;  /* ".." */
        shownFolders = rows(mdlDialog_itemGetByIndex(db, folders));
        shownFiles = rows(mdlDialog_itemGetByIndex(db, files));
        /* A drive entry leads to the root of its drive, and back up again. */
        EXPECT_TRUE(sim::userSelectRow(db, folders, 3, 0, true, error)) << error;
        driveFiles = rows(mdlDialog_itemGetByIndex(db, files));
        EXPECT_TRUE(sim::userSelectRow(db, folders, 2, 0, true, error)) << error;  /* nowhere on D: */
        EXPECT_TRUE(sim::userSelectRow(db, folders, 2, 0, true, error)) << error;  /* back to Q: */
        EXPECT_TRUE(sim::userSelectRow(db, files, 0, 0, false, error)) << error;
        return ACTIONBUTTON_OK;
    });
    ZmFileSelection selection{};
    StringList* chosen = zmlibDialog_selectFiles(&selection, nullptr, "Drawings", "*.dgn", path("a/b").c_str());
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(shownFolders, (Names{"..", "b", "[-D:]", "[-Q:]"}));
    EXPECT_EQ(shownFiles, (Names{"up.dgn"}));
    EXPECT_EQ(driveFiles, (Names{"root.dgn"}));
    ASSERT_EQ(mdlStringList_size(chosen), 1);
    const char* name = nullptr;
    mdlStringList_getMember(&name, nullptr, chosen, 0);
    EXPECT_STREQ(name, "Q:\\root.dgn");
    EXPECT_STREQ(selection.directory, "Q:\\");
    mdlStringList_destroy(chosen);
}

}  // namespace
