/* The intro box (20020) and the about box (20027) of every application built
** on the library: their texts in the caller's global data record, the
** version number and text, and the hooks. State: IntroState, the intro box's
** timer. */
#include "lib/dialogs/intro.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "host/mdldialog.h"
#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "lib/core/error.h"
#include "lib/core/main.h"
#include "lib/core/text_int.h"
#include "lib/core/util.h"
#include "lib/dialogs/intro_int.h"

namespace {

using namespace zmlib::intro;

enum : int {
    HOOK_IMAGE_ZMIM = 20001,
    HOOK_IMAGE_KVIM = 20208,
    HOOK_IMAGE_ZMI2 = 20209,
    HOOK_TITLE = 20036,
    HOOK_INTRO_DIALOG = 20073,
    HOOK_ABOUT_DIALOG = 20078,
    HOOK_WEB_HOME = 20067,
    HOOK_WEB_SUPPORT = 20206,
    HOOK_OPEN_ABOUT = 20207,
    HOOK_WEB_INSTALLER = 20082,
    ITEM_VERSION = 20013,
    ITEM_LIBRARY_VERSION = 20032,
    ITEM_OWNER_FIRST = 20028,       /* 20028..20031: the four owner texts */
    ITEM_LOAD_FILE = 20027,
    ITEM_LIBRARY_LOCATION = 20033,
    TEXT_INSTALLER_TITLE = 37,
    TEXT_QUESTION_TITLE = 40,
    MSG_INSTALL = 12,
    INSTALL_FLAGS = 152,
    PATH_TEXT_SIZE = 256,
    OWNER_TEXT3_OFFSET = 82,
    OWNER_TEXT4_OFFSET = 116,
};

const char* const HOME_PAGE = "http://www.velmont.no";
const char* const SUPPORT_PAGE = "http://www.velmont.no/support";
const char* const INSTALLER = "install_www.ma";

/* Slots of the about-box texts and the label items that show them. */
struct SlotItem {
    int slot;
    int32_t itemId;
    bool path;          /* abbreviated, and its balloon text */
};
const SlotItem slotItems[] = {
    {1,  ITEM_VERSION, false},
    {2,  20000,        false},
    {3,  20001,        false},
    {4,  20002,        false},
    {5,  20003,        false},
    {6,  20004,        false},
    {7,  20008,        true},
    {8,  20005,        false},
    {9,  20009,        true},
    {10, 20006,        false},
    {11, 20010,        true},
    {12, 20007,        false},
    {13, 20011,        true},
};

struct IntroState {
    int timer;          /* the intro box's timer, 0 when none runs */
};
IntroState state{};

/* Two digits below ten get a leading zero: "08". */
void twoDigits(char* out, size_t size, int value) {
    std::snprintf(out, size, value < 10 ? "0%d" : "%d", value);
}

void introTimerFired(void*, int handle) {
    mdlWindow_cursorTurnOff();
    if (DialogBox* db = mdlDialog_find(DIALOG_INTRO, nullptr)) mdlWindow_close(db);
    mdlSystem_cancelTimer(handle);
    if (state.timer == handle) state.timer = 0;
}

void showIntro() {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!gd || !mdlDialog_open(0, DIALOG_INTRO)) return;
    if (gd->introDisplayTime >= 1) {
        if (state.timer) mdlSystem_cancelTimer(state.timer);
        state.timer = 0;
        mdlSystem_setTimerFunction(&state.timer, gd->introDisplayTime * TICKS_PER_SECOND, introTimerFired, nullptr,
                                   0);
    }
}

/* Set the label of item ID (when the dialog has it) to TEXT; as a path it is
** abbreviated and its balloon text is the whole abbreviation. */
void setLabel(DialogBox* db, int32_t id, const char* text, bool path) {
    DialogItem* it = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_LABEL, id, 0);
    if (!it || !text) return;
    char shortened[PATH_TEXT_SIZE + 1];
    if (path) {
        mdlFile_abbreviateName(shortened, text, PATH_TEXT_SIZE);
        text = shortened;
        mdlDialog_itemSetBalloonText(db, it->itemIndex, text);
    }
    mdlDialog_itemSetLabel(db, it->itemIndex, text);
}

void fillAbout(DialogBox* db) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!gd) return;
    char title[ZMGD_ABOUT_TEXT_SIZE + 16];
    std::snprintf(title, sizeof title, "Velmont %s", gd->aboutTexts[0]);
    mdlWindow_titleSet(db, title);
    for (const SlotItem& s : slotItems) setLabel(db, s.itemId, gd->aboutTexts[s.slot], s.path);
    setLabel(db, ITEM_LIBRARY_VERSION, zmlibMain_getZmlibVersion(), false);
    if (const char* owner = gd->ownerRecord) {
        const int offsets[] = {0, OWNER_SUPER_USER_OFFSET, OWNER_TEXT3_OFFSET, OWNER_TEXT4_OFFSET};
        for (int i = 0; i < 4; ++i) setLabel(db, ITEM_OWNER_FIRST + i, owner + offsets[i], false);
    }
    char loadFile[MAXFILELENGTH] = "";
    if (mdlResource_getApplLoadFile(loadFile, sizeof loadFile, nullptr) == 0)
        setLabel(db, ITEM_LOAD_FILE, loadFile, true);
    setLabel(db, ITEM_LIBRARY_LOCATION, zmlibMain_getZmlibLocation(), true);
}

void offerInstaller() {
    zmlibError_setTitle(ZMLIB_MSGBOX_QUESTION, "%s", zmlibUtil_getLanguageText(TEXT_INSTALLER_TITLE));
    char found[MAXFILELENGTH] = "";
    if (mdlFile_find(found, INSTALLER, "MS_MDL", nullptr) == 0 &&
        zmlibError_rscMsgBoxPrintf(INSTALL_FLAGS, ZMLIB_LIST_QUESTIONS, MSG_INSTALL, found) == ZMLIB_ACTION_OK)
        mdlSystem_loadMdlProgram(nullptr, found, nullptr);
    char title[ZMGD_TITLE_SIZE];
    zmlib::copyFixed(title, zmlibUtil_getLanguageText(TEXT_QUESTION_TITLE));
    zmlibError_setTitle(ZMLIB_MSGBOX_QUESTION, title, zmlibMain_getApplicationName());
}

/* ---- Hooks ----------------------------------------------------------------------------- */

/* Nothing is drawn while the application still waits for its first design file. */
bool waitingForDesign() {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    return !gd || gd->initAppFlag;
}

void imageHook(DialogItemMessage* m, uint32_t type, int32_t id, int size) {
    m->msgUnderstood = 1;
    if (m->messageType == DITEM_MESSAGE_CREATE) {
        m->dialogItemP->attributes &= ~3u;
    } else if (m->messageType == DITEM_MESSAGE_DRAW) {
        if (!waitingForDesign())
            mdlWindow_transparentRgbDataDraw(m->db, &m->dialogItemP->rect, type, id, size, 255, 255, 255);
    } else {
        m->msgUnderstood = 0;
    }
}

void introHook_imageZmim(DialogItemMessage* m) { imageHook(m, fourCC("ZMIM"), 1, 167); }
void introHook_imageKvim(DialogItemMessage* m) { imageHook(m, fourCC("KVIM"), 2, 158); }
void introHook_imageZmi2(DialogItemMessage* m) { imageHook(m, fourCC("ZMI2"), 3, 71); }

/* The title drawn in its area, centred. */
void introHook_title(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType == DITEM_MESSAGE_CREATE) {
        m->dialogItemP->attributes &= ~3u;
    } else if (m->messageType == DITEM_MESSAGE_DRAW) {
        ZmGlobalData* gd = zmlibMain_getGlobalDataP();
        if (waitingForDesign() || !gd) return;
        const DialogRect& r = m->dialogItemP->rect;
        int width = mdlDialog_stringWidth(m->db, 0, gd->aboutTexts[0]);
        int x = r.left + (r.right - r.left + 1 - width) / 2;
        int y = r.top + (r.bottom - r.top + 1 - mdlDialog_fontGetHeight(m->db, 0)) / 2;
        mdlDialog_drawText(m->db, x, y, 0, gd->aboutTexts[0]);
    } else {
        m->msgUnderstood = 0;
    }
}

void introHook_dialog(DialogMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType == DIALOG_MESSAGE_CREATE) zmlibMain_updateBeforeDialogOpen(m->dialogId);
    else if (m->messageType == DIALOG_MESSAGE_INIT) mdlWindow_titleSet(m->db, zmlibMain_getApplicationName());
    else m->msgUnderstood = 0;
}

void introHook_about(DialogMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType == DIALOG_MESSAGE_INIT) fillAbout(m->db);
    else m->msgUnderstood = 0;
}

void buttonHook(DialogItemMessage* m, void (*action)()) {
    m->msgUnderstood = 1;
    if (m->messageType == DITEM_MESSAGE_ACTIVATE) action();
    else m->msgUnderstood = 0;
}

void introHook_webHome(DialogItemMessage* m) { buttonHook(m, [] { zmlibWeb_openUrl(HOME_PAGE); }); }
void introHook_webSupport(DialogItemMessage* m) { buttonHook(m, [] { zmlibWeb_openUrl(SUPPORT_PAGE); }); }
void introHook_openAbout(DialogItemMessage* m) { buttonHook(m, [] { mdlDialog_open(0, DIALOG_ABOUT); }); }
void introHook_installer(DialogItemMessage* m) { buttonHook(m, offerInstaller); }

#define HOOK(id, fn) {id, reinterpret_cast<void*>(fn)}
const DialogHookInfo introHooks[] = {
    HOOK(HOOK_IMAGE_ZMIM,    introHook_imageZmim),
    HOOK(HOOK_IMAGE_KVIM,    introHook_imageKvim),
    HOOK(HOOK_IMAGE_ZMI2,    introHook_imageZmi2),
    HOOK(HOOK_TITLE,         introHook_title),
    HOOK(HOOK_INTRO_DIALOG,  introHook_dialog),
    HOOK(HOOK_ABOUT_DIALOG,  introHook_about),
    HOOK(HOOK_WEB_HOME,      introHook_webHome),
    HOOK(HOOK_WEB_SUPPORT,   introHook_webSupport),
    HOOK(HOOK_OPEN_ABOUT,    introHook_openAbout),
    HOOK(HOOK_WEB_INSTALLER, introHook_installer),
};
#undef HOOK
static_assert(std::size(introHooks) == HOOK_COUNT);

}  // namespace

namespace zmlib::intro {

void publishHooks() { mdlDialog_hookPublish(static_cast<int>(std::size(introHooks)), introHooks); }
int introTimer() { return state.timer; }
void resetForTests() { state = IntroState{}; }

}  // namespace zmlib::intro

extern "C" ZMLIB_API void zmlibIntro_msgBoxNew(const char* title, const char* build, const char* text2,
                                               const char* text3, const char* text4, const char* text5,
                                               const char* text6, const char* text7, const char* text8,
                                               const char* text9, const char* text10, const char* text11,
                                               const char* text12, const char* text13, int displayTime) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!gd) return;
    uint32_t version = static_cast<uint32_t>(mdlSystem_getMdlAppVersionNumber(nullptr));
    char major[16], minor[16];
    twoDigits(major, sizeof major, static_cast<int>(version & 0xFF));
    twoDigits(minor, sizeof minor, static_cast<int>((version >> 8) & 0xFF));
    if (title) std::strncpy(gd->aboutTexts[0], title, ZMGD_ABOUT_TEXT_SIZE - 1);
    if (build) std::snprintf(gd->aboutTexts[1], ZMGD_ABOUT_TEXT_SIZE, "%s.%s.%s", major, minor, build);
    const char* texts[] = {text2, text3, text4, text5, text6, text7, text8, text9, text10, text11, text12, text13};
    for (int i = 0; i < 12; ++i) {
        int slot = 2 + i;
        if (!texts[i]) continue;
        if (slot == 7 || slot == 9 || slot == 11 || slot == 13) {
            /* A path is abbreviated whole, so that a long one keeps its file name. */
            char shortened[PATH_TEXT_SIZE + 1];
            mdlFile_abbreviateName(shortened, texts[i], PATH_TEXT_SIZE);
            zmlib::copyFixed(gd->aboutTexts[slot], shortened);
        } else {
            std::strncpy(gd->aboutTexts[slot], texts[i], ZMGD_ABOUT_TEXT_SIZE - 1);
        }
    }
    gd->introDisplayTime = displayTime;
    zmlibMain_execFuncOrAddToInitApps(showIntro);
}

extern "C" ZMLIB_API int zmlibIntro_setVersionNumber(void) {
    uint32_t first = VERSION_MAJOR | (VERSION_MINOR << 8);
    uint32_t second = VERSION_SECOND_LOW | (VERSION_SECOND_HIGH << 8);
    return mdlSystem_setMdlAppVersionNumber(nullptr, static_cast<int>(first | (second << 16)));
}

extern "C" ZMLIB_API char* zmlibIntro_getCompanyName(void) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    return gd ? gd->ownerRecord : nullptr;
}

extern "C" ZMLIB_API char* zmlibIntro_getSuperUserName(void) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    return gd && gd->ownerRecord ? gd->ownerRecord + OWNER_SUPER_USER_OFFSET : nullptr;
}
