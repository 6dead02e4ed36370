/* Mapping of the platform's file names onto this machine's file system.
** Every area of the host that opens a file goes through hostPath. */
#pragma once

#include <string>

namespace sim {

/* The local path of a platform path: drive letters map to the directories
** named by the configuration variables _HOST_DRIVE_<LETTER>, backslashes and
** slashes both separate, plain POSIX paths pass through. */
std::string hostPath(const std::string& platformPath);

}  // namespace sim
