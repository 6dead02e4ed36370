/* user32: DDE, the client side. A server is another process that listens on
** a local socket named after its service (win::ddeSocketName); a
** conversation is one connection to it, transactions are frames sent and
** answered (host/win/win.h). The callback hears of transactions that
** completed asynchronously and of servers that went away at the next DDE
** call of its instance, as a program hears of them at its next message.
** State: instances, string handles, conversations, data handles. */
#include <windows.h>

#include <ddeml.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "host/sim/base/base.h"
#include "host/sim/system/system.h"
#include "host/win/win.h"

namespace {

const int CONNECT_ANSWER_MS = 5000;
const int ASYNC_LIMIT_MS = 60000;
const size_t NAME_LIMIT = 255;

struct Pending {
    UINT type;
    HCONV conversation;
    HSZ topic, item;
    std::string data;
    bool hasData;
    ULONG_PTR transaction, status;
};

struct Instance {
    PFNCALLBACK callback;
    DWORD flags;
    UINT lastError = DMLERR_NO_ERROR;
    std::vector<Pending> pending;
    bool delivering = false;
};

struct Conversation {
    DWORD instance;
    int fd;
    HSZ service, topic;
    uint32_t next = 1;
    std::string inbox;
};

struct StringHandle {
    DWORD instance;
    std::string text;
    int uses;
};

struct DataHandle {
    DWORD instance;
    std::string bytes;
};

struct DdeState {
    std::map<DWORD, Instance> instances;
    std::map<HCONV, Conversation> conversations;
    std::map<HSZ, StringHandle> strings;
    std::map<HDDEDATA, DataHandle> data;
    DWORD nextInstance = 1;
    uintptr_t nextHandle = 0x10000;
};
DdeState state;

const char* const DESKTOP_VARIABLE = "_HOST_DESKTOP";

/* This process tree is one desktop: programs we start inherit its name and
** find our servers, others' servers stay apart. */
const bool desktopNamed = [] {
    if (!std::getenv(DESKTOP_VARIABLE)) ::setenv(DESKTOP_VARIABLE, std::to_string(::getpid()).c_str(), 1);
    return true;
}();

template <typename H>
H newHandle() {
    H h = reinterpret_cast<H>(state.nextHandle);
    state.nextHandle += 4;
    return h;
}

Instance* instanceOf(DWORD id) {
    auto it = state.instances.find(id);
    return it == state.instances.end() ? nullptr : &it->second;
}

std::string textOf(HSZ h) {
    auto it = state.strings.find(h);
    return it == state.strings.end() ? std::string() : it->second.text;
}

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool sendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

/* Read what has come in within TIMEOUTMS (0: only what is there). -1 when
** the server is gone or sent what is no frame, else 0. */
int receive(Conversation& c, int timeoutMs) {
    pollfd p{c.fd, POLLIN, 0};
    int r = ::poll(&p, 1, timeoutMs);
    if (r <= 0) return 0;
    char buf[65536];
    ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
    if (n <= 0) return -1;
    c.inbox.append(buf, static_cast<size_t>(n));
    return 0;
}

/* Send one frame and wait for its answer at most TIMEOUTMS. DMLERR_NO_ERROR
** with ANSWER filled, or the error that ended it. */
UINT transact(Conversation& c, char kind, const std::string& payload, int timeoutMs, win::DdeFrame& answer) {
    uint32_t id = c.next++;
    if (!sendAll(c.fd, win::encodeDdeFrame({kind, id, payload}))) return DMLERR_SERVER_DIED;
    int64_t deadline = nowMs() + timeoutMs;
    for (;;) {
        win::DdeFrame f;
        int got = win::decodeDdeFrame(c.inbox, f);
        if (got < 0) return DMLERR_SERVER_DIED;
        if (got > 0) {
            if (f.kind == 'D') return DMLERR_SERVER_DIED;
            if (f.transaction != id) continue; /* the late answer of a transaction that timed out */
            answer = f;
            return DMLERR_NO_ERROR;
        }
        int64_t left = deadline - nowMs();
        if (left <= 0) return kind == 'E' ? DMLERR_EXECACKTIMEOUT : kind == 'P' ? DMLERR_POKEACKTIMEOUT : DMLERR_DATAACKTIMEOUT;
        if (receive(c, static_cast<int>(left)) < 0) return DMLERR_SERVER_DIED;
    }
}

void endConversation(HCONV h) {
    auto it = state.conversations.find(h);
    if (it == state.conversations.end()) return;
    ::close(it->second.fd);
    state.conversations.erase(it);
}

/* Hear of servers that went away, then give the callback of instance ID
** what is waiting for it. */
void pump(DWORD id) {
    Instance* in = instanceOf(id);
    if (!in || in->delivering) return;
    std::vector<HCONV> gone;
    for (auto& [h, c] : state.conversations) {
        if (c.instance != id) continue;
        bool dead = receive(c, 0) < 0;
        win::DdeFrame f;
        std::string copy = c.inbox;
        while (!dead) {
            int got = win::decodeDdeFrame(copy, f);
            if (got < 0 || (got > 0 && f.kind == 'D')) dead = true;
            if (got <= 0) break;
        }
        if (dead) gone.push_back(h);
    }
    for (HCONV h : gone) {
        endConversation(h);
        if (!(in->flags & CBF_SKIP_DISCONNECTS)) in->pending.push_back({static_cast<UINT>(XTYP_DISCONNECT), h, nullptr, nullptr, {}, false, 0, 0});
    }
    if (!in->callback) {
        in->pending.clear();
        return;
    }
    in->delivering = true;
    while (!in->pending.empty()) {
        Pending p = in->pending.front();
        in->pending.erase(in->pending.begin());
        HDDEDATA data = nullptr;
        if (p.hasData) {
            data = newHandle<HDDEDATA>();
            state.data[data] = {id, p.data};
        } else if (p.type == static_cast<UINT>(XTYP_XACT_COMPLETE)) {
            data = reinterpret_cast<HDDEDATA>(static_cast<uintptr_t>(p.status ? 1 : 0));
        }
        PFNCALLBACK cb = in->callback;
        cb(p.type, CF_TEXT, p.conversation, p.topic, p.item, data, p.transaction, p.status);
        if (p.hasData) state.data.erase(data); /* the system's own, freed after the callback */
        in = instanceOf(id);
        if (!in) return; /* the callback ended the instance */
    }
    in->delivering = false;
}

void fail(DWORD id, UINT error) {
    if (Instance* in = instanceOf(id)) in->lastError = error;
}

int connectSocket(const std::string& name) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    size_t n = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), n); /* abstract: no file, gone with its server */
    socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

namespace win {

std::string encodeDdeFrame(const DdeFrame& frame) {
    uint32_t length = static_cast<uint32_t>(5 + frame.payload.size());
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>(length >> (8 * i));
    out += frame.kind;
    for (int i = 0; i < 4; ++i) out += static_cast<char>(frame.transaction >> (8 * i));
    return out + frame.payload;
}

int decodeDdeFrame(std::string& buffer, DdeFrame& frame) {
    if (buffer.size() < 4) return 0;
    auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(buffer[i])); };
    uint32_t length = byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
    if (length < 5 || length > DDE_FRAME_MAX) return -1;
    if (buffer.size() >= 5 && !std::strchr("CERPDAN", buffer[4] ? buffer[4] : '?')) return -1;
    if (buffer.size() < 4 + static_cast<size_t>(length)) return 0;
    frame.kind = buffer[4];
    frame.transaction = byte(5) | byte(6) << 8 | byte(7) << 16 | byte(8) << 24;
    frame.payload = buffer.substr(9, length - 5);
    buffer.erase(0, 4 + static_cast<size_t>(length));
    return 1;
}

std::string ddeSocketName(const std::string& service) {
    std::string desktop = sim::variableValue(DESKTOP_VARIABLE).value_or("");
    return "simwin-dde/" + desktop + "/" + sim::upper(service);
}

int ddeStartWait() {
    std::optional<std::string> v = sim::variableValue("_HOST_DDE_START_WAIT");
    if (!v || v->empty()) return 5000;
    int ms = std::atoi(v->c_str());
    return ms < 0 ? 0 : ms > 60000 ? 60000 : ms;
}

void resetDde() {
    for (auto& [h, c] : state.conversations) ::close(c.fd);
    state = DdeState{};
}

}  // namespace win

WINUSERAPI UINT WINAPI DdeInitializeA(LPDWORD instance, PFNCALLBACK callback, DWORD flags, DWORD reserved) {
    if (!instance || reserved) return DMLERR_INVALIDPARAMETER;
    if (*instance) { /* a new set of flags for an instance of ours */
        Instance* in = instanceOf(*instance);
        if (!in) return DMLERR_INVALIDPARAMETER;
        in->flags = flags;
        return DMLERR_NO_ERROR;
    }
    DWORD id = state.nextInstance++;
    Instance in;
    in.callback = callback;
    in.flags = flags;
    state.instances[id] = in;
    *instance = id;
    return DMLERR_NO_ERROR;
}

WINUSERAPI BOOL WINAPI DdeUninitialize(DWORD id) {
    if (!instanceOf(id)) return FALSE;
    std::vector<HCONV> mine;
    for (auto& [h, c] : state.conversations)
        if (c.instance == id) mine.push_back(h);
    for (HCONV h : mine) {
        sendAll(state.conversations[h].fd, win::encodeDdeFrame({'D', 0, {}}));
        endConversation(h);
    }
    for (auto it = state.strings.begin(); it != state.strings.end();)
        it = it->second.instance == id ? state.strings.erase(it) : std::next(it);
    for (auto it = state.data.begin(); it != state.data.end();)
        it = it->second.instance == id ? state.data.erase(it) : std::next(it);
    state.instances.erase(id);
    return TRUE;
}

WINUSERAPI HSZ WINAPI DdeCreateStringHandleA(DWORD id, LPCSTR text, int codePage) {
    if (!instanceOf(id)) return nullptr;
    pump(id);
    if (!text || std::strlen(text) > NAME_LIMIT || (codePage != CP_WINANSI && codePage != 0)) {
        fail(id, DMLERR_INVALIDPARAMETER);
        return nullptr;
    }
    if (!*text) return nullptr; /* the empty name is no handle */
    for (auto& [h, s] : state.strings)
        if (s.instance == id && sim::upper(s.text) == sim::upper(text)) {
            ++s.uses;
            return h;
        }
    HSZ h = newHandle<HSZ>();
    state.strings[h] = {id, text, 1};
    return h;
}

WINUSERAPI BOOL WINAPI DdeFreeStringHandle(DWORD id, HSZ h) {
    auto it = state.strings.find(h);
    if (it == state.strings.end() || it->second.instance != id) return FALSE;
    if (--it->second.uses <= 0) state.strings.erase(it);
    return TRUE;
}

WINUSERAPI DWORD WINAPI DdeQueryStringA(DWORD id, HSZ h, LPSTR out, DWORD size, int codePage) {
    auto it = state.strings.find(h);
    if (it == state.strings.end() || it->second.instance != id || (codePage != CP_WINANSI && codePage != 0)) return 0;
    const std::string& t = it->second.text;
    if (!out) return static_cast<DWORD>(t.size());
    if (size == 0) return 0;
    size_t n = std::min<size_t>(t.size(), size - 1);
    std::memcpy(out, t.data(), n);
    out[n] = 0;
    return static_cast<DWORD>(n);
}

WINUSERAPI HCONV WINAPI DdeConnect(DWORD id, HSZ service, HSZ topic, PCONVCONTEXT) {
    if (!instanceOf(id)) return nullptr;
    pump(id);
    std::string serviceName = textOf(service), topicName = textOf(topic);
    if (serviceName.empty() || topicName.empty()) {
        fail(id, DMLERR_INVALIDPARAMETER); /* no wild connects: a server names its service */
        return nullptr;
    }
    std::string name = win::ddeSocketName(serviceName);
    int fd = connectSocket(name);
    /* A server we started a moment ago may not be listening yet. */
    while (fd < 0 && sim::processStarting(win::ddeStartWait())) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        fd = connectSocket(name);
    }
    if (fd < 0) {
        fail(id, DMLERR_NO_CONV_ESTABLISHED);
        return nullptr;
    }
    HCONV h = newHandle<HCONV>();
    Conversation c;
    c.instance = id;
    c.fd = fd;
    c.service = service;
    c.topic = topic;
    state.conversations[h] = c;
    win::DdeFrame answer;
    if (transact(state.conversations[h], 'C', topicName, CONNECT_ANSWER_MS, answer) != DMLERR_NO_ERROR ||
        answer.kind != 'A') {
        endConversation(h);
        fail(id, DMLERR_NO_CONV_ESTABLISHED);
        return nullptr;
    }
    return h;
}

WINUSERAPI BOOL WINAPI DdeDisconnect(HCONV h) {
    auto it = state.conversations.find(h);
    if (it == state.conversations.end()) return FALSE;
    DWORD id = it->second.instance;
    sendAll(it->second.fd, win::encodeDdeFrame({'D', 0, {}}));
    endConversation(h);
    pump(id);
    return TRUE;
}

WINUSERAPI HDDEDATA WINAPI DdeClientTransaction(LPBYTE bytes, DWORD size, HCONV h, HSZ item, UINT format, UINT type,
                                                DWORD timeout, LPDWORD result) {
    auto it = state.conversations.find(h);
    if (it == state.conversations.end()) return nullptr;
    DWORD id = it->second.instance;
    pump(id);
    it = state.conversations.find(h);
    if (it == state.conversations.end()) {
        fail(id, DMLERR_NO_CONV_ESTABLISHED); /* the server went away */
        return nullptr;
    }
    Conversation& c = it->second;
    std::string payload;
    if (size == 0xFFFFFFFFu) { /* BYTES is a data handle */
        auto d = state.data.find(reinterpret_cast<HDDEDATA>(bytes));
        if (d == state.data.end()) {
            fail(id, DMLERR_INVALIDPARAMETER);
            return nullptr;
        }
        payload = d->second.bytes;
        state.data.erase(d);
    } else if (bytes && size) {
        payload.assign(reinterpret_cast<const char*>(bytes), size);
    }
    char kind;
    std::string itemName = textOf(item);
    std::string fmt(4, '\0');
    for (int i = 0; i < 4; ++i) fmt[i] = static_cast<char>(format >> (8 * i));
    switch (type) {
    case XTYP_EXECUTE: kind = 'E'; break;
    case XTYP_REQUEST: kind = 'R'; payload = fmt + itemName; break;
    case XTYP_POKE: kind = 'P'; payload = fmt + itemName + std::string(1, '\0') + payload; break;
    default:
        fail(id, DMLERR_NOTPROCESSED); /* no advise loops: the servers answer none */
        return nullptr;
    }
    if ((type == XTYP_REQUEST || type == XTYP_POKE) && itemName.empty()) {
        fail(id, DMLERR_INVALIDPARAMETER);
        return nullptr;
    }
    bool async = timeout == TIMEOUT_ASYNC;
    int limit = async ? ASYNC_LIMIT_MS : timeout > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(timeout);
    win::DdeFrame answer;
    UINT error = transact(c, kind, payload, limit, answer);
    if (error == DMLERR_SERVER_DIED) endConversation(h);
    bool done = error == DMLERR_NO_ERROR && answer.kind == 'A';
    if (error == DMLERR_NO_ERROR && !done) error = DMLERR_NOTPROCESSED;
    if (async) {
        static ULONG_PTR transactions = 0;
        ULONG_PTR number = ++transactions;
        if (result) *result = static_cast<DWORD>(number);
        Instance* in = instanceOf(id);
        in->pending.push_back({static_cast<UINT>(XTYP_XACT_COMPLETE), h, c.topic, item, answer.payload,
                               done && kind == 'R', number, static_cast<ULONG_PTR>(done ? DDE_FACK : 0)});
        if (error != DMLERR_NO_ERROR) in->lastError = error;
        return reinterpret_cast<HDDEDATA>(static_cast<uintptr_t>(1));
    }
    if (result) *result = done ? DDE_FACK : 0;
    if (!done) {
        fail(id, error);
        return nullptr;
    }
    if (kind != 'R') return reinterpret_cast<HDDEDATA>(static_cast<uintptr_t>(1));
    HDDEDATA data = newHandle<HDDEDATA>();
    state.data[data] = {id, answer.payload};
    return data;
}

WINUSERAPI DWORD WINAPI DdeGetData(HDDEDATA h, LPBYTE out, DWORD size, DWORD offset) {
    auto it = state.data.find(h);
    if (it == state.data.end()) return 0;
    const std::string& b = it->second.bytes;
    if (offset > b.size()) return 0;
    DWORD available = static_cast<DWORD>(b.size() - offset);
    if (!out) return available;
    DWORD n = std::min(available, size);
    std::memcpy(out, b.data() + offset, n);
    return n;
}

WINUSERAPI BOOL WINAPI DdeFreeDataHandle(HDDEDATA h) { return state.data.erase(h) ? TRUE : FALSE; }

WINUSERAPI UINT WINAPI DdeGetLastError(DWORD id) {
    Instance* in = instanceOf(id);
    if (!in) return DMLERR_DLL_NOT_INITIALIZED;
    UINT e = in->lastError;
    in->lastError = DMLERR_NO_ERROR;
    return e;
}
