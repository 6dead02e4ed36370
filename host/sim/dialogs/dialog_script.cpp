/* The scripted user: the queue of answers (from a session script) and the
** test handlers that stand in for the user, and how they answer a modal
** dialog or a file dialog. State: answers and handlers in DialogState. */
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "host/sim/base/base.h"
#include "host/sim/dialogs/dialog_int.h"

using namespace sim::dialogs;

namespace sim::dialogs {

namespace {

std::vector<std::string> splitActions(const std::string& answer) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false;
    for (char c : answer) {
        if (c == '"') quoted = !quoted;
        if (c == ';' && !quoted) {
            if (!trim(cur).empty()) out.push_back(trim(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!trim(cur).empty()) out.push_back(trim(cur));
    return out;
}

/* Split "VERB REST" and REST into words, keeping a quoted text whole. */
std::vector<std::string> words(const std::string& s) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false, any = false;
    for (char c : s) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) out.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any) out.push_back(cur);
    return out;
}

/* The text after the first N words of S, unquoted when it is one quoted text. */
std::string restAfter(const std::string& s, size_t n) {
    size_t i = 0;
    for (size_t k = 0; k < n; ++k) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        bool quoted = false;
        while (i < s.size() && (quoted || (s[i] != ' ' && s[i] != '\t'))) {
            if (s[i] == '"') quoted = !quoted;
            ++i;
        }
    }
    return unquote(trim(s.substr(std::min(i, s.size()))));
}

/* The oldest queued answer, taken off the queue (which is not empty). */
Answer takeAnswer() {
    Answer a = std::move(state.answers.front());
    state.answers.pop_front();
    return a;
}

/* Apply one action of an answer to DB. */
bool applyAction(DialogBox* db, const std::string& action, std::string& error) {
    std::vector<std::string> w = words(action);
    if (w.empty()) return true;
    std::string verb = lower(w[0]);
    if (verb == "ok" || verb == "cancel") {
        closeDialog(db, verb == "ok" ? ACTIONBUTTON_OK : ACTIONBUTTON_CANCEL);
        return true;
    }
    if (verb == "result") {
        if (w.size() < 2) {
            error = "result needs a number";
            return false;
        }
        closeDialog(db, std::atoi(w[1].c_str()));
        return true;
    }
    if (w.size() < 2) {
        error = "\"" + action + "\" needs an item";
        return false;
    }
    int index = sim::findItem(db, w[1], error);
    if (index < 0) return false;
    if (verb == "press") return sim::userPressItem(db, index, error);
    if (verb == "set") return sim::userSetItem(db, index, restAfter(action, 2), error);
    if (verb == "option") return sim::userPickOption(db, index, restAfter(action, 2), error);
    if (verb == "select") {
        if (w.size() < 3) {
            error = "select needs a row";
            return false;
        }
        int row = 0, column = 0;
        if (std::sscanf(w[2].c_str(), "%d,%d", &row, &column) < 1) {
            error = "bad row \"" + w[2] + "\"";
            return false;
        }
        bool dbl = w.size() > 3 && lower(w[3]) == "double";
        return sim::userSelectRow(db, index, row, column, dbl, error);
    }
    error = "\"" + action + "\" cannot answer a dialog";
    return false;
}

}  // namespace

std::string unquote(const std::string& s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
    return s;
}

/* Let the scripted user answer the modal dialog DB; it is closed afterwards. */
void answerModal(DialogBox* db) {
    if (state.modalHandler) {
        int action = state.modalHandler(db);
        closeDialog(db, action);
        return;
    }
    if (state.answers.empty()) {
        sim::addOutput(sim::OutputKind::Host, 0,
                       "Dialog " + std::to_string(db->id) + " \"" + db->title + "\" cancelled: no answer queued");
        /* Show what was asked, so that whoever reads the log knows what went unanswered. */
        for (const std::string& d : db->drawings) {
            std::istringstream in(d);
            std::string kind, x, y, font, text;
            if (in >> kind >> x >> y >> font && kind == "text" && std::getline(in >> std::ws, text))
                sim::addOutput(sim::OutputKind::Host, 0, "  \"" + text + "\"");
        }
        closeDialog(db, ACTIONBUTTON_CANCEL);
        return;
    }
    Answer a = takeAnswer();
    for (const std::string& act : a.actions) {
        if (!active(db)) break;
        std::string error;
        if (!applyAction(db, act, error)) {
            sim::addOutput(sim::OutputKind::Host, 0,
                           "Dialog " + std::to_string(db->id) + ": answer \"" + act + "\" failed: " + error + "; cancelled");
            closeDialog(db, ACTIONBUTTON_CANCEL);
            return;
        }
    }
    closeDialog(db, ACTIONBUTTON_OK);
}

bool answerFileDialog(const std::string& title, bool create, std::string& name) {
    if (state.fileHandler) return state.fileHandler(title, create, name);
    if (state.answers.empty()) {
        sim::addOutput(sim::OutputKind::Host, 0, "File dialog \"" + title + "\" cancelled: no answer queued");
        return false;
    }
    Answer a = takeAnswer();
    const std::string& act = a.actions.front();
    std::string verb = lower(act.substr(0, act.find(' ')));
    if (verb == "file") {
        name = restAfter(act, 1);
        return !name.empty();
    }
    if (verb == "ok") return !name.empty();
    if (verb != "cancel")
        sim::addOutput(sim::OutputKind::Host, 0, "File dialog \"" + title + "\": answer \"" + act + "\" does not fit; cancelled");
    return false;
}

}  // namespace sim::dialogs

namespace sim {

bool queueAnswer(const std::string& answer, std::string& error) {
    Answer a;
    a.actions = splitActions(answer);
    if (a.actions.empty()) {
        error = "answer: nothing to answer";
        return false;
    }
    static const char* const verbs[] = {"ok", "cancel", "result", "press", "set", "option", "select", "file"};
    for (const std::string& act : a.actions) {
        std::string verb = lower(act.substr(0, act.find(' ')));
        if (std::none_of(std::begin(verbs), std::end(verbs), [&](const char* v) { return verb == v; })) {
            error = "answer: unknown action \"" + act + "\"";
            return false;
        }
    }
    state.answers.push_back(std::move(a));
    return true;
}

size_t queuedAnswers() { return state.answers.size(); }
void clearAnswers() { state.answers.clear(); }
void setModalHandler(ModalHandler handler) { state.modalHandler = std::move(handler); }
void setFileHandler(FileHandler handler) { state.fileHandler = std::move(handler); }

}  // namespace sim
