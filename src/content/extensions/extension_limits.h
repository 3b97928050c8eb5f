#pragma once

#include <chrono>

namespace vireo {

// How long an exchange with a site owner's program waits, and how a program is stopped.
struct ExtensionLimits {
    // How often the program's files are looked for, and its growing body file read again, while
    // it runs; a program's end is noticed at once.
    std::chrono::milliseconds poll_step{300};
    // A running program that writes none of the files the answer waits for in this long is given up
    // on; so is one that runs on this long after its answer went out.
    std::chrono::milliseconds stall_limit{60000};
    // Once the stop file is there, the time the program has to end before its process group gets
    // SIGTERM, and then SIGKILL.
    std::chrono::milliseconds stop_grace{30000};
    std::chrono::milliseconds kill_grace{5000};
};

}  // namespace vireo
