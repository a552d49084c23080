// The day-of-year CGI program. Standard output keeps its default buffering;
// it is flushed when the process exits.
#include <cstdio>
#include <cstdlib>

#include "cgi-bin/quindle/quindle.h"

int main() { return quindle_page(stdout, std::getenv("QUERY_STRING")); }
