/* The command interpreter COMSPEC names: "/C command line" runs one line,
** with the internal commands DEL, COPY, MOVE, REN, MKDIR, DIR, CD, XCOPY,
** PATH, PRINT (and ECHO, REM, EXIT for batch files), .BAT and .CMD files of
** simple lines, and any other command as a program. Paths are platform
** paths, mapped as the host maps them; exit statuses are Windows's. */
#pragma once

#include <string>
#include <vector>

namespace cmd {

/* A line taken apart: the command word and its arguments, switches ("/Q")
** as arguments of their own, quotes removed (QUOTED says which were). */
struct ParsedLine {
    bool quiet = false;                 /* a leading '@' */
    std::string command;                /* as written */
    std::string rest;                   /* the text after the command word */
    std::vector<std::string> arguments;
    std::vector<bool> quoted;
    bool unsupported = false;           /* redirection, pipes or command chains outside quotes */
};
ParsedLine parseLine(const std::string& line);

/* Replace %NAME% by environment variables and, in a batch file, %0 to %9
** and %* by its arguments; %% is one %. An unknown %NAME% stays as written
** outside batch files and vanishes in them, as Windows does. */
std::string expandLine(const std::string& line, const std::vector<std::string>* batchArguments);

/* Run one command line; the exit status. */
int runLine(const std::string& line);
/* Run batch file LOCALPATH with ARGUMENTS (%0 is its name); the exit status. */
int runBatch(const std::string& localPath, const std::vector<std::string>& arguments);

}  // namespace cmd
