// The frame's system call filter as a BPF program, compiled from its allow
// list by libseccomp when the frame is built (syscall_filter_gen.cpp): the
// calls the pages make are allowed, and any other kills the process.
#ifndef SITE_FRAME_SYSCALL_FILTER_H
#define SITE_FRAME_SYSCALL_FILTER_H

#include <linux/filter.h>

extern const sock_filter kSyscallFilter[];
extern const unsigned short kSyscallFilterLength;

#endif  // SITE_FRAME_SYSCALL_FILTER_H
