// The frame as the web server runs it. Started by a FastCGI server (its
// standard input is then a listening socket), it serves request after
// request; started as a CGI program, it serves the one request of its
// environment and exits. Either way each request is served from the
// directory the program lives in, the site's cgi-bin, so the guest book
// finds "../data/".
//   frame                     serve (CGI or FastCGI)
//   frame --error-page CODE   write the site's error document for CODE
//   frame --error-statuses    list the statuses that have an error document
//   frame --security-policy   write the Content-Security-Policy it sends
//   frame --form-page NAME    write the form page of the calculator NAME
//   frame --list-pages        list the calculators: "NAME<tab>EXAMPLE-QUERY"
//   frame --index-list        write the index's line of each page that has one
#include <fcgiapp.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "site/frame/frame.h"
#include "site/frame/memory_stream.h"

namespace {

// A descriptor of the directory that holds this program, or -1.
int open_own_directory() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return -1;
  path[length] = '\0';
  char *slash = std::strrchr(path, '/');
  if (slash == nullptr) return -1;
  *slash = '\0';
  return open(path[0] != '\0' ? path : "/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

using Lookup = const char *(*)(const char *name, void *context);

FrameRequest read_request(Lookup lookup, void *context) {
  FrameRequest request;
  request.method = lookup("REQUEST_METHOD", context);
  request.uri = lookup("REQUEST_URI", context);
  request.path_info = lookup("PATH_INFO", context);
  request.query = lookup("QUERY_STRING", context);
  request.remote_addr = lookup("REMOTE_ADDR", context);
  request.tz = lookup("TZ", context);
  request.lc_all = lookup("LC_ALL", context);
  request.lc_numeric = lookup("LC_NUMERIC", context);
  request.lang = lookup("LANG", context);
  request.flood_seconds = lookup("SITE_FLOOD_SECONDS", context);
  request.log_max_bytes = lookup("SITE_LOG_MAX_BYTES", context);
  request.now = std::time(nullptr);
  return request;
}

const char *from_environment(const char *name, void *) { return std::getenv(name); }

const char *from_parameters(const char *name, void *params) {
  return FCGX_GetParam(name, static_cast<FCGX_ParamArray>(params));
}

// The response to |request| in |memory|, so it goes out in one write.
// False when memory ran out.
bool respond(const FrameRequest &request, MemoryStream *memory) {
  FILE *out = start_memory_stream(memory);
  if (out == nullptr) return false;
  serve_request(out, request, kSitePages, kSitePageCount);
  return finish_memory_stream(memory);
}

// Whether the server reaches the workers through a local socket. A
// connection whose request was read to its end then needs no lingering
// close: unlike TCP, a local socket never discards an answer the server has
// not read yet, so the worker closes at once instead of waiting for the
// server to close first.
bool local_socket() {
  sockaddr_storage address;
  socklen_t length = sizeof address;
  return getsockname(0, reinterpret_cast<sockaddr *>(&address), &length) == 0 &&
         address.ss_family == AF_UNIX;
}

// Reads the rest of the request's body (none for GET and HEAD), so that a
// server still sending it is never cut off. False on a read error.
bool read_to_end(FCGX_Stream *in) {
  char scrap[4096];
  while (FCGX_GetStr(scrap, sizeof scrap, in) > 0) {
  }
  return FCGX_GetError(in) == 0;
}

int serve_cgi(int directory) {
  if (directory >= 0 && fchdir(directory) != 0) return 1;
  serve_request(stdout, read_request(from_environment, nullptr), kSitePages, kSitePageCount);
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

// Serves until the server closes the socket. A client that has gone only
// loses its own answer. The working directory is the program's for every
// request, since nothing changes it.
int serve_fastcgi(int directory) {
  std::signal(SIGPIPE, SIG_IGN);
  if (FCGX_Init() != 0) return 1;
  const bool in_place = directory < 0 || fchdir(directory) == 0;
  const bool local = local_socket();
  FCGX_Request connection;
  FCGX_InitRequest(&connection, 0, 0);
  MemoryStream response;
  while (FCGX_Accept_r(&connection) == 0) {
    if (!in_place) {
      FCGX_FPrintF(connection.out, "Status: 500 Internal Server Error\r\n\r\n");
    } else if (respond(read_request(from_parameters, connection.envp), &response)) {
      FCGX_PutStr(response.data, static_cast<int>(response.size), connection.out);
    }
    if (local && read_to_end(connection.in)) FCGX_Detach(&connection);
    FCGX_Finish_r(&connection);
  }
  return 0;
}

// Every page with a form: its name and the example query its form gives.
int list_pages() {
  for (std::size_t i = 0; i < kSitePageCount; ++i)
    if (kSitePages[i]->form != nullptr && !kSitePages[i]->changes_data)
      std::printf("%s\t%s\n", kSitePages[i]->name, kSitePages[i]->form->example);
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

// The index's line of every page that has one, in the table's order.
int index_list() {
  for (std::size_t i = 0; i < kSitePageCount; ++i) {
    const PageDef &page = *kSitePages[i];
    if (page.form != nullptr && page.form->index_note != nullptr)
      std::printf("<li><a href=\"/%s.html\">%s</a>%s</li>\n", page.name, page.title,
                  page.form->index_note);
  }
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

int form_page(const char *name) {
  const PageDef *page = find_page(name, kSitePages, kSitePageCount);
  if (page == nullptr || page->form == nullptr) {
    std::fprintf(stderr, "frame: no form page %s\n", name);
    return 1;
  }
  write_form_page(stdout, *page);
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 3 && std::strcmp(argv[1], "--error-page") == 0) {
    write_error_document(stdout, std::atoi(argv[2]));
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
  }
  if (argc == 2 && std::strcmp(argv[1], "--error-statuses") == 0) {
    write_error_statuses(stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
  }
  if (argc == 3 && std::strcmp(argv[1], "--form-page") == 0) return form_page(argv[2]);
  if (argc == 2 && std::strcmp(argv[1], "--list-pages") == 0) return list_pages();
  if (argc == 2 && std::strcmp(argv[1], "--index-list") == 0) return index_list();
  if (argc == 2 && std::strcmp(argv[1], "--security-policy") == 0)
    return std::printf("%s\n", kSecurityPolicy) > 0 ? 0 : 1;
  int directory = open_own_directory();
  return FCGX_IsCGI() ? serve_cgi(directory) : serve_fastcgi(directory);
}
