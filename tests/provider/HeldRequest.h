// A program's request held open on a loopback socket, so that the program can be looked at while
// it waits for the answer: how long it took to send the request and the private memory it holds
// then (Private_Dirty of /proc/PID/smaps_rollup). For the provider's memory and first-lookup
// figures: by the time the request arrives, the provider has made its lookups.
#pragma once

#include <string>
#include <vector>

namespace providertest {

struct HeldRequest {
    bool arrived = false;        // the request head came in before the time ran out
    double secondsToRequest = 0; // from the program's start to its request head's arrival
    long privateDirtyKb = -1;    // the program's Private_Dirty while it waited, in kB
    std::string head;            // the request head received
    int exitCode = -1;           // the program's exit status after the answer
};

// Starts argv with the current environment plus extra ("NAME=value"), in which every "{URL}"
// of argv stands for http://127.0.0.1:PORT/ of a listener of this process, serves its first
// request with "200 OK" and "hello" once its memory has been read, and waits for it to end.
HeldRequest HoldRequest(std::vector<std::string> argv, const std::vector<std::string>& extra,
                        int timeoutSeconds = 60);

// The Private_Dirty total of a process in kB, or -1.
long PrivateDirtyKb(int pid);

} // namespace providertest
