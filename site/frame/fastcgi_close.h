// How a FastCGI worker ends a connection: on a local socket, once the
// request was read to its end, it closes at once instead of waiting for the
// server to close first. The frame's workers and the benchmark's no-op
// worker end theirs alike, so the no-op measures the site's transport.
#ifndef SITE_FRAME_FASTCGI_CLOSE_H
#define SITE_FRAME_FASTCGI_CLOSE_H

#include <fcgiapp.h>

// Whether the server reaches the worker through a local socket (descriptor
// 0). A connection whose request was read to its end then needs no
// lingering close: unlike TCP, a local socket never discards an answer the
// server has not read yet.
bool local_socket();

// Reads the rest of the request's body (none for GET and HEAD), so that a
// server still sending it is never cut off. False on a read error.
bool read_to_end(FCGX_Stream *in);

#endif  // SITE_FRAME_FASTCGI_CLOSE_H
