/* External programs as tests and hostsim see them: the programs started,
** and a switch that makes starts fail. */
#pragma once

#include <string>
#include <vector>

namespace sim {

struct StartedProgram {
    std::string program;              /* local path */
    std::vector<std::string> arguments;
    int pid;
    bool ended;                       /* collected: its pid may be reused */
};
const std::vector<StartedProgram>& startedPrograms();
/* Make every start fail (true) or work again (false). */
void failProgramStarts(bool fail);
/* Wait for every started process and forget them (tests). */
void resetPrograms();

/* Split ARGUMENTS at blanks; a part in double quotes keeps its blanks. */
std::vector<std::string> splitArguments(const std::string& arguments);

}  // namespace sim
