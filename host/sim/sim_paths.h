/* Mapping of the platform's file names onto this machine's file system.
** Every area of the host that opens a file goes through hostPath. */
#pragma once

#include <string>

namespace sim {

/* The local path of a platform path. Drive letters map to the directories
** named by the configuration variables _HOST_DRIVE_<LETTER> (made on first
** use); backslashes and slashes both separate; plain POSIX paths pass
** through, and ":/x" (an empty device before a POSIX path) is "/x". Where
** the path does not exist as written, each component is matched against the
** disk case-insensitively, as the platform compares file names; components
** that match nothing stay as written (a file about to be made). A drive
** without a mapping gives "" so that every open of it fails. */
std::string hostPath(const std::string& platformPath);

}  // namespace sim
