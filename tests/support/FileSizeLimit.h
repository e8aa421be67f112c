#pragma once

#include <csignal>
#include <sys/resource.h>

// A full disk, as far as this process can tell (root too): while it lives, no file may grow beyond `bytes`, and a
// write that would is refused (EFBIG) rather than signalled.
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes) : previous(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &old);
        const struct rlimit small = {bytes, old.rlim_max};
        ok = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
    }
    bool ok = false;
    struct rlimit old {};
    void (*previous)(int);
};
