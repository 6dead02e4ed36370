/* Windows registry export files, as _HOST_REGISTRY names them. */
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "host/win/win.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::map<std::string, win::RegistryKey> roots;
    std::string error;
    win::parseRegistryFile(std::string(reinterpret_cast<const char*>(data), size), roots, error);
    win::registryKeyAt(roots, "HKEY_LOCAL_MACHINE\\Software", false);
    return 0;
}
