// The frame as the web server runs it. Started by a FastCGI server (its
// standard input is then a listening socket), it serves request after
// request; started as a CGI program, it serves the one request of its
// environment and exits. Either way each request is served from the
// directory the program lives in, the site's cgi-bin, so the guest book
// finds "../data/". Before a page runs, the frame confines itself
// (confine.h): a FastCGI worker to its pool's reach, named by FRAME_POOL
// ("guestbook" may use the guest book's data/, any other value or none
// nothing), a CGI process to the reach of the page its address names.
//   frame                     serve (CGI or FastCGI)
//   frame --error-page CODE   write the site's error document for CODE
//   frame --error-statuses    list the statuses that have an error document
//   frame --security-policy   write the Content-Security-Policy it sends
//   frame --form-page NAME    write the form page of the calculator NAME
//   frame --list-pages        list the calculators: "NAME<tab>EXAMPLE-QUERY"
//   frame --index-list        write the index's line of each page that has one
#include <fcgiapp.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "site/frame/confine.h"
#include "site/frame/fastcgi_close.h"
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

const char *from_environment(const char *name, void *) { return std::getenv(name); }

const char *from_parameters(const char *name, void *params) {
  return FCGX_GetParam(name, static_cast<FCGX_ParamArray>(params));
}

// What a confined process may serve: its directory could be entered and
// its confinement applied, and what it may reach.
struct Serving {
  bool ready;
  Reach reach;
};

// Writes the response to |request|, whose address names |page| (or none):
// a 500 when the process is not ready, a 404 for a guest-book address in a
// process that may not reach data/ (a server that sent it to the
// calculators' pool), else the page's answer.
void answer(FILE *out, const FrameRequest &request, const PageDef *page, const Serving &serving) {
  if (!serving.ready) return serve_error(out, request, 500);
  if (page != nullptr && page->changes_data && serving.reach != Reach::kGuestBook)
    return serve_error(out, request, 404);
  serve_routed(out, request, page);
}

// The response to |request| in |memory|, so it goes out in one write.
// False when memory ran out.
bool respond(const FrameRequest &request, const Serving &serving, MemoryStream *memory) {
  FILE *out = start_memory_stream(memory);
  if (out == nullptr) return false;
  answer(out, request, page_for(request, kSitePages, kSitePageCount), serving);
  return finish_memory_stream(memory);
}

// Confines the process to |reach|; the guest book's data/ is "../data" of
// the program's directory, the working directory by now.
bool confine_to(Reach reach) {
  int data = -1;
  if (reach == Reach::kGuestBook) data = open("../data", O_PATH | O_DIRECTORY | O_CLOEXEC);
  bool confined = confine(reach, data, stderr);
  if (data >= 0) close(data);
  return confined;
}

// The one request of the environment. The address is read to choose the
// confinement, and no page runs before it is applied.
int serve_cgi(int directory) {
  if (directory >= 0 && fchdir(directory) != 0) return 1;
  const FrameRequest request = read_request(from_environment, nullptr);
  const PageDef *page = page_for(request, kSitePages, kSitePageCount);
  Serving serving = {true, page != nullptr && page->changes_data ? Reach::kGuestBook
                                                                 : Reach::kCalculators};
  serving.ready = confine_to(serving.reach);
  answer(stdout, request, page, serving);
  return serving.ready && std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

// Serves until the server closes the socket. A client that has gone only
// loses its own answer. The working directory is the program's for every
// request, since nothing changes it. The worker confines itself once,
// before its first request; a worker that could not enter its directory
// or be confined answers every request with the site's 500.
int serve_fastcgi(int directory) {
  std::signal(SIGPIPE, SIG_IGN);
  if (FCGX_Init() != 0) return 1;
  const bool in_place = directory < 0 || fchdir(directory) == 0;
  if (directory >= 0) close(directory);
  const bool local = local_socket();
  FCGX_Request connection;
  FCGX_InitRequest(&connection, 0, 0);
  Serving serving = {in_place, pool_reach(std::getenv("FRAME_POOL"))};
  if (!in_place) std::fputs("frame: cannot enter its directory\n", stderr);
  serving.ready = confine_to(in_place ? serving.reach : Reach::kCalculators) && in_place;
  MemoryStream response;
  while (FCGX_Accept_r(&connection) == 0) {
    if (respond(read_request(from_parameters, connection.envp), serving, &response))
      FCGX_PutStr(response.data, static_cast<int>(response.size), connection.out);
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
