#pragma once

#include <functional>
#include <sys/wait.h>
#include <unistd.h>

// Runs work in a forked child process; true when SIGKILL ended it.
inline bool killedInChild(const std::function<void()>& work)
{
    const pid_t child = fork();
    if (child == 0) {
        work();
        _exit(0);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}
