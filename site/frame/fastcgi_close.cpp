#include "site/frame/fastcgi_close.h"

#include <sys/socket.h>

bool local_socket() {
  sockaddr_storage address;
  socklen_t length = sizeof address;
  return getsockname(0, reinterpret_cast<sockaddr *>(&address), &length) == 0 &&
         address.ss_family == AF_UNIX;
}

bool read_to_end(FCGX_Stream *in) {
  char scrap[4096];
  while (FCGX_GetStr(scrap, sizeof scrap, in) > 0) {
  }
  return FCGX_GetError(in) == 0;
}
