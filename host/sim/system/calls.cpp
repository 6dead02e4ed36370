/* Calls into applications by signature string (P pointer, I int, D double),
** each on behalf of the application named by its descriptor. A callee
** ignores arguments it does not declare, so one call shape per calling
** convention serves every signature with up to 8 P/I and 8 D letters in any
** interleaving:
**
** x86-64 System V and AArch64: six integer-class values, eight floating-class
** values, then two more integer-class values. Integer and floating arguments
** travel in separate register sets, each filled in argument order (x86-64
** puts the seventh and eighth integers on the stack, after the eight floating
** registers are used up).
**
** 32-bit x86 cdecl (the platform's own): every argument is on the stack in
** signature order, P and I one 4-byte slot each, D two (its low word first);
** the caller pushes 24 slots and removes them again. */
#include <cctype>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <string>

#include "host/mdlsystem.h"
#include "host/sim/system/system.h"

#if !defined(__x86_64__) && !defined(__aarch64__) && !defined(__i386__)
#error "signature calls rely on the x86-64, AArch64 or 32-bit x86 calling conventions"
#endif

namespace {

constexpr int maxIntegerArgs = 8;
constexpr int maxFloatArgs = 8;

/* The arguments of one call, in signature order and by class. */
struct CallArguments {
    intptr_t ints[maxIntegerArgs];
    double floats[maxFloatArgs];
    uint32_t slots[maxIntegerArgs + 2 * maxFloatArgs]; /* the cdecl stack */
    int slotCount;
};

#if defined(__i386__)
using S = uint32_t;
using AnyFunction = int (*)(S, S, S, S, S, S, S, S, S, S, S, S, S, S, S, S, S, S, S, S, S, S, S, S);
static_assert(sizeof(CallArguments::slots) == 24 * sizeof(S));

int invoke(void* fn, const CallArguments& a) {
    const uint32_t* s = a.slots;
    return reinterpret_cast<AnyFunction>(fn)(s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10],
                                             s[11], s[12], s[13], s[14], s[15], s[16], s[17], s[18], s[19], s[20],
                                             s[21], s[22], s[23]);
}
#else
using AnyFunction = int (*)(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                            double, double, double, double, double, double, double, double, intptr_t, intptr_t);

int invoke(void* fn, const CallArguments& a) {
    const intptr_t* i = a.ints;
    const double* f = a.floats;
    return reinterpret_cast<AnyFunction>(fn)(i[0], i[1], i[2], i[3], i[4], i[5], f[0], f[1], f[2], f[3], f[4],
                                             f[5], f[6], f[7], i[6], i[7]);
}
#endif

/* Append VALUE to the cdecl stack of A: one slot, or two for a double. */
void pushSlots(CallArguments& a, uint32_t value) { a.slots[a.slotCount++] = value; }
void pushSlots(CallArguments& a, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    pushSlots(a, uint32_t(bits));
    pushSlots(a, uint32_t(bits >> 32));
}

/* Call FN with the arguments SIGNATURE describes, taken from ARGS, on behalf
** of DESC (null: the current application). WHAT names the call in messages. */
int callWithSignature(const char* signature, MdlDesc* desc, void* fn, va_list args, const char* what) {
    if (!fn) {
        toolSubsystem_printf("%s: no function to call\n", what);
        return 0;
    }
    if (desc && (!desc->alive)) {
        toolSubsystem_printf("%s: application %s has ended\n", what, desc->taskId.c_str());
        return 0;
    }
    CallArguments a{};
    int ni = 0, nf = 0;
    for (const char* p = signature ? signature : ""; *p; ++p) {
        char c = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
        if ((c == 'P' || c == 'I') && ni == maxIntegerArgs) c = '!';
        if (c == 'D' && nf == maxFloatArgs) c = '!';
        switch (c) {
        case 'P': {
            void* pointer = va_arg(args, void*);
            a.ints[ni++] = reinterpret_cast<intptr_t>(pointer);
            pushSlots(a, uint32_t(reinterpret_cast<uintptr_t>(pointer)));
            break;
        }
        case 'I': {
            int value = va_arg(args, int);
            a.ints[ni++] = value;
            pushSlots(a, uint32_t(value));
            break;
        }
        case 'D': {
            double value = va_arg(args, double);
            a.floats[nf++] = value;
            pushSlots(a, value);
            break;
        }
        default:
            toolSubsystem_printf("%s: bad signature \"%s\"\n", what, signature);
            return 0;
        }
    }
    MdlDesc* target = desc ? desc : sim::currentApplication();
    sim::CurrentApplicationScope scope(target);
    try {
        return invoke(fn, a);
    } catch (...) {
        toolSubsystem_printf("%s: the called function failed\n", what);
        return 0;
    }
}

}  // namespace

HOST_API int dlmSystem_callAnyFunction(const char* signature, MdlDescP desc, void* function, ...) {
    MdlDesc* d = nullptr;
    if (desc && !(d = sim::knownApplication(desc))) {
        toolSubsystem_printf("dlmSystem_callAnyFunction: unknown application descriptor\n");
        return 0;
    }
    va_list ap;
    va_start(ap, function);
    int rc = callWithSignature(signature, d, function, ap, "dlmSystem_callAnyFunction");
    va_end(ap);
    return rc;
}

HOST_API int dlmSystem_callMdlFunction(const char* signature, MdlDescP desc, const char* functionName, ...) {
    MdlDesc* d = desc ? sim::knownApplication(desc) : sim::currentApplication();
    if (!d || !d->alive || !functionName) {
        toolSubsystem_printf("dlmSystem_callMdlFunction: no such application\n");
        return 0;
    }
    void* fn = nullptr;
    auto it = d->functions.find(functionName);
    if (it != d->functions.end()) fn = it->second;
    else if (d->dlHandle) fn = ::dlsym(d->dlHandle, functionName);
    if (!fn) {
        toolSubsystem_printf("dlmSystem_callMdlFunction: %s has no function %s\n", d->taskId.c_str(), functionName);
        return 0;
    }
    va_list ap;
    va_start(ap, functionName);
    int rc = callWithSignature(signature, d, fn, ap, "dlmSystem_callMdlFunction");
    va_end(ap);
    return rc;
}
