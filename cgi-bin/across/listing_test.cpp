// The box of previous words against its oracle: the output of the pipeline
// "cut -d, -f2 LOG | sort -bfu" under LC_ALL=C, copied into the box as it
// always was.
#include "cgi-bin/across/listing.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "formlib/formlib.h"
#include "testsupport/run_program.h"

namespace {

std::string pipeline(const std::string &log) {
  ProgramRun run{
      {"LC_ALL=C", "PATH=/usr/bin:/bin"}, {}, {"-c", "cut -d, -f2 \"$0\" | sort -bfu", log}, {}};
  return run_program("/bin/sh", run).out;
}

// The box as it was written from the pipeline's output: fgets pieces of at
// most 254 bytes, each decoded and escaped.
std::string piecewise_listing(std::string column) {
  FILE *in = fmemopen(column.data(), column.size() + 1, "r");
  std::string shown = capture([&](FILE *out) {
    char line[256], escaped[html_escaped_size(sizeof line)];
    while (std::fgets(line, 255, in) != nullptr && !std::feof(in)) {
      plustospace(line);
      unescape_url(line);
      std::fputs(html_escape(escaped, line), out);
    }
  });
  std::fclose(in);
  return shown;
}

// The box for the log open at |fd|.
std::string box(int fd) {
  WordColumn column;
  bool read = read_word_column(fd, column);
  EXPECT_TRUE(read);
  std::string shown = capture([&](FILE *out) { list_words(out, column, read); });
  free_word_column(column);
  return shown;
}

// A random log with what trips a field cutter and a case-folding sort: words
// differing only in case, escapes (%41, %2C, %2c, a lone %4, +), leading
// blanks and tabs, fields of 200 to 600 bytes (escapes straddle the box's
// 254-byte pieces), more commas, no comma, empty lines and fields, bytes
// above 127, NUL bytes, maybe no newline at the end.
std::string random_log(unsigned seed) {
  std::mt19937 rng(seed);
  const char *words[] = {"apple", "banana",      "%41pple",   "a+b",    "a%2Cb",
                         "a%2cb", "z-z",         "%4",        "%",      "+",
                         "",      "hello+world", "\xe9t\xe9", "%3Cb%3E"};
  const char *tokens[] = {"x", "%41", "+", "%2c", "%4", "Q"};
  std::string log;
  for (std::size_t i = 0, lines = 50 + rng() % 300; i < lines; ++i) {
    std::string word = words[rng() % std::size(words)];
    for (char &c : word)
      if (rng() % 3 == 0 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    std::string blanks = std::string(rng() % 3, ' ') + (rng() % 5 == 0 ? "\t" : "");
    switch (rng() % 8) {
      case 0:
        log += word;
        break;
      case 1:
        log += "1," + blanks + word + ",more,commas";
        break;
      case 2:
        log += rng() % 2 ? "" : ",,";
        break;
      case 3:
        log += std::string("3, a") + '\0' + (rng() % 2 ? "b" : "B") + ", x";
        break;
      case 4:
        log += "000002, ";
        for (std::size_t n = log.size() + 200 + rng() % 400; log.size() < n;)
          log += tokens[rng() % std::size(tokens)];
        break;
      default:
        log += "00000" + std::to_string(i % 10) + "," + blanks + word + ", 10.0.0.1, Mon";
    }
    if (i + 1 < lines || rng() % 2) log += '\n';
  }
  return log;
}

// Each log also goes in packets of 1 to 9 bytes through a socket, so that
// each read of the column ends at another place of a field or a line.
TEST(Listing, MatchesTheBoxCopiedFromCutAndSort) {
  std::vector<std::pair<std::string, std::string>> cases = {
      {"empty log", ""},
      {"one empty line", "\n"},
      {"last line without newline", "1, b\n2, a"},
      {"no comma", "Hello\nhello\nHELLO\n"},
      {"blank-only and empty fields", "1, \n2,\t\n3,\n4, x\n"},
      {"equal after blanks: the first logged stays", "1,  Apple\n2,apple\n3,\tAPPLE\n"},
      {"prefix first; keys of 15 to 17 bytes",
       "1, abc\n2, ab\n3, abcdefghijklmnopq\n4, AB\n5, abcdefghijklmnopQ\n6, abcdefghijklmnoX\n"
       "7, abcdefghijklmnoA\n8, abcdefghijklmno\n"},
      {"escape across two pieces", "1, " + std::string(252, 'x') + "%41y\n"},
      {"newline alone in the last piece", "1, " + std::string(253, 'x') + "\n"},
  };
  for (unsigned seed = 1; seed <= 30; ++seed)
    cases.emplace_back("seed " + std::to_string(seed), random_log(seed));
  TempDir dir;
  for (const auto &[name, log] : cases) {
    SCOPED_TRACE(name);
    write_file(dir / "log", log);
    std::string expected = piecewise_listing(pipeline(dir / "log"));
    int fd = open((dir / "log").c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(box(fd), expected);
    close(fd);
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
    std::thread writer([&log, fd = pair[1]] {
      std::mt19937 rng(7);
      for (std::size_t at = 0, n; at < log.size(); at += n) {
        n = std::min<std::size_t>(1 + rng() % 9, log.size() - at);
        if (write(fd, log.data() + at, n) < 0) break;
      }
      close(fd);
    });
    EXPECT_EQ(box(pair[0]), expected) << "read in packets";
    writer.join();
    close(pair[0]);
  }
}

}  // namespace
