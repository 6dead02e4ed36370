/* Calls into applications by signature string (P pointer, I int, D double),
** each on behalf of the application named by its descriptor.
**
** The arguments are passed as six integer-class values, eight floating-class
** values, then two more integer-class values. On the x86-64 System V and
** AArch64 calling conventions integer and floating arguments travel in
** separate register sets, each filled in argument order (x86-64 puts the
** seventh and eighth integers on the stack, after the eight floating
** registers are used up), and a callee ignores what it does not declare; so
** one call shape serves every signature with up to 8 P/I and 8 D letters in
** any interleaving. */
#include <cctype>
#include <cstdarg>
#include <cstdint>
#include <dlfcn.h>
#include <string>

#include "host/mdlsystem.h"
#include "host/sim/system/system.h"

#if !defined(__x86_64__) && !defined(__aarch64__)
#error "signature calls rely on the x86-64 or AArch64 register conventions"
#endif

namespace {

constexpr int maxIntegerArgs = 8;
constexpr int maxFloatArgs = 8;

using AnyFunction = int (*)(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                            double, double, double, double, double, double, double, double, intptr_t, intptr_t);

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
    intptr_t ints[maxIntegerArgs] = {};
    double floats[maxFloatArgs] = {};
    int ni = 0, nf = 0;
    for (const char* p = signature ? signature : ""; *p; ++p) {
        char c = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
        if ((c == 'P' || c == 'I') && ni == maxIntegerArgs) c = '!';
        if (c == 'D' && nf == maxFloatArgs) c = '!';
        switch (c) {
        case 'P': ints[ni++] = reinterpret_cast<intptr_t>(va_arg(args, void*)); break;
        case 'I': ints[ni++] = va_arg(args, int); break;
        case 'D': floats[nf++] = va_arg(args, double); break;
        default:
            toolSubsystem_printf("%s: bad signature \"%s\"\n", what, signature);
            return 0;
        }
    }
    MdlDesc* target = desc ? desc : sim::currentApplication();
    sim::CurrentApplicationScope scope(target);
    try {
        return reinterpret_cast<AnyFunction>(fn)(ints[0], ints[1], ints[2], ints[3], ints[4], ints[5], floats[0],
                                                 floats[1], floats[2], floats[3], floats[4], floats[5], floats[6],
                                                 floats[7], ints[6], ints[7]);
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
