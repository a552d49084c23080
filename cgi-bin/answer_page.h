// A calculator's page in two steps: |compute| reads the query into an
// answer, |write| writes the answer. The program's page and the site's page
// (which goes on to draw the same answer) both take these steps here.
#ifndef CGI_BIN_ANSWER_PAGE_H
#define CGI_BIN_ANSWER_PAGE_H

#include <cstdio>
#include <type_traits>

// Answers |query| into |answer| and writes it to |out|. Returns 0, or 1
// (nothing written) when |compute| returns false: the query is too long.
template <auto compute, auto write, class Answer>
int answer_page(FILE *out, const char *query, Answer *answer) {
  if constexpr (std::is_same_v<decltype(compute(answer, query)), bool>) {
    if (!compute(answer, query)) return 1;
  } else {
    compute(answer, query);
  }
  write(out, *answer);
  return 0;
}

#endif  // CGI_BIN_ANSWER_PAGE_H
