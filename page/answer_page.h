// A calculator's page in two steps: |compute| reads the query into an
// answer record, |write| writes the record as the program always has. The
// program's page and the site's page (which goes on to draw the same
// record) both take these steps here, so the fragment's bytes are the
// program's bytes.
#ifndef PAGE_ANSWER_PAGE_H
#define PAGE_ANSWER_PAGE_H

#include <cstdio>
#include <type_traits>

#include "page/page.h"

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

// A calculator's page on the site: |compute|'s answer for the request's
// query, written by |write| as the program writes it, then the picture
// |draw| makes of the same record (left out when |draw| returns false).
template <class Answer, auto compute, void (*write)(FILE *, const Answer &),
          bool (*draw)(FILE *, const Answer &)>
int unit_page(const PageRequest &request, FILE *out, FILE *figure) {
  static_assert(kPageDone == 0 && kPageTooLong == 1, "answer_page's results");
  Answer answer;
  const int result = answer_page<compute, write>(out, request.query, &answer);
  if (result != kPageDone) return result;
  return figure != nullptr && draw(figure, answer) ? kPageDone : kPageNoFigure;
}

#endif  // PAGE_ANSWER_PAGE_H
