// The frame never opens a socket of its own: the web server or spawn-fcgi
// hands it a listening socket as standard input, and it never names a host.
// Only libfcgi's socket opener, which the frame does not call, looks a host
// name up, with gethostbyname; in a static link that would pull in glibc's
// resolver, which needs the host's NSS libraries at run time (the linker
// warns about it). The frame is linked with --wrap=gethostbyname, so that
// reference ends here instead: every lookup fails as unresolvable.
#include <netdb.h>

extern "C" hostent *__wrap_gethostbyname(const char *) {
  h_errno = NO_RECOVERY;
  return nullptr;
}
