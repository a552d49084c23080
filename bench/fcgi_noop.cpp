// The FastCGI ceiling: a libfcgi worker that answers every request with the
// no-op's empty page and does nothing else, so the server, the transport
// and the worker's accept loop are all that a request costs. It ends a
// connection as the frame does: on a local socket, once the request was
// read to its end, it closes at once instead of waiting for the server to
// close first, so the ceiling is the transport as the site uses it.
#include "site/frame/fastcgi_close.h"

int main() {
  static const char kResponse[] = "Content-Type: text/plain\r\n\r\n";
  if (FCGX_Init() != 0) return 1;
  const bool local = local_socket();
  FCGX_Request request;
  FCGX_InitRequest(&request, 0, 0);
  while (FCGX_Accept_r(&request) == 0) {
    FCGX_PutStr(kResponse, sizeof kResponse - 1, request.out);
    if (local && read_to_end(request.in)) FCGX_Detach(&request);
    FCGX_Finish_r(&request);
  }
  return 0;
}
