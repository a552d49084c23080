// The frame's confinement: once it is applied, the process can read the
// zone and locale data the pages read, reach the guest book's data/ only
// when it serves the guest book, open no other file, start no program, open
// no socket and grow only within fixed limits. It cannot be undone, and it
// is applied before the first page runs (main.cpp).
#ifndef SITE_FRAME_CONFINE_H
#define SITE_FRAME_CONFINE_H

#include <cstdio>

// What a confined frame may touch beyond the zone and locale data.
enum class Reach {
  kCalculators,  // nothing: it may write no file anywhere
  kGuestBook,    // the guest book's data/ directory, to read and write
};

// The pool a FastCGI worker belongs to, from the value of FRAME_POOL:
// "guestbook" is the guest book's; anything else, unset included, is the
// calculators', which may write nothing.
Reach pool_reach(const char *pool);

// Confines the process for good: limits on its open files and (except in
// the sanitizer build, whose runtime needs a huge address space) its
// address space, no_new_privs, a Landlock ruleset at the best ABI the
// kernel offers, and a seccomp filter that kills the process on any call
// the pages do not make. |data| is a descriptor (O_PATH is enough) of the
// data directory, used only for kGuestBook; -1 when there is none.
// A kernel without Landlock or seccomp is said on |log| and the process
// goes on unconfined in that respect. Returns false, having said why on
// |log|, when a step the kernel offers failed: the caller must not serve.
bool confine(Reach reach, int data, FILE *log);

#endif  // SITE_FRAME_CONFINE_H
