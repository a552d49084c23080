// The FastCGI ceiling: a libfcgi worker that answers every request with the
// no-op's empty page and does nothing else, so the server, the transport
// and the worker's accept loop are all that a request costs.
#include <fcgiapp.h>

int main() {
  static const char kResponse[] = "Content-Type: text/plain\r\n\r\n";
  if (FCGX_Init() != 0) return 1;
  FCGX_Request request;
  FCGX_InitRequest(&request, 0, 0);
  while (FCGX_Accept_r(&request) == 0) {
    FCGX_PutStr(kResponse, sizeof kResponse - 1, request.out);
    FCGX_Finish_r(&request);
  }
  return 0;
}
