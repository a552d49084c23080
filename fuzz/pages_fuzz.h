// One entry point that hands a query to every CGI page in-process, for the
// seeded random test (pages_fuzz_test.cpp). The coverage-guided fuzzer
// (libfuzzer_main.cpp) sends each input to one page of the same table.
#ifndef FUZZ_PAGES_FUZZ_H
#define FUZZ_PAGES_FUZZ_H

#include <cstddef>
#include <string>

// Runs |query| through the site's frame for each page of its table, answer
// and picture; the guest book (both editions) only when |with_guest_book|,
// which then reads and writes "../data/" of the working directory. Returns
// everything the frame wrote, one page after the other.
std::string run_pages(const std::string &query, bool with_guest_book);

// A bytes-to-query adapter: the bytes up to the first NUL are the query; the
// guest book takes part when the first byte is odd, since it writes its data
// files.
std::string run_pages_on_bytes(const unsigned char *data, std::size_t size);

#endif  // FUZZ_PAGES_FUZZ_H
