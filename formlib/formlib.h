// The CGI form library: form-field lookup in a URL-encoded query string,
// percent and plus decoding, and word, line, stream and shell-escaping
// helpers. Every function that writes into a caller's buffer knows that
// buffer's capacity, either deduced from the array or passed explicitly,
// and never writes past it.
#ifndef FORMLIB_FORMLIB_H
#define FORMLIB_FORMLIB_H

#include <cstddef>
#include <cstdio>

// Longest form string get_var looks at; bytes past it are never read. The
// macro is for text that states the bound ("2047 bytes at most").
#define FORMLIB_FORM_MAX 2047
inline constexpr std::size_t kFormMax = FORMLIB_FORM_MAX;
// A page's copy of its form string: the kFormMax bytes it reads and the
// terminator.
using FormBuffer = char[kFormMax + 1];

// Copies the first kFormMax bytes of |query| (null: the empty query) into
// |form|, terminated. Returns whether the whole query fit.
bool copy_form(FormBuffer &form, const char *query);

// Longest field name that can match; a longer name is never found.
inline constexpr std::size_t kNameMax = 253;

// Finds the field |name| in the form string |form| ("a=1&b=2") and copies
// its raw value, up to the next "&", into |dest|. Only the first pair may
// match without a leading "&", so a name never matches the tail of a longer
// one. Only the first kFormMax bytes of |form| are searched, and |form| is
// never modified. A value longer than |cap| - 1 bytes is cut to fit.
// Returns the number of bytes written before the terminator, or -1 with
// |dest| emptied when the field is absent.
int get_var(char *dest, std::size_t cap, const char *name, const char *form);

template <std::size_t N>
int get_var(char (&dest)[N], const char *name, const char *form) {
  return get_var(dest, N, name, form);
}

// Returns the byte spelled by the two hex digits at |what|, upper or lower
// case. Other characters are not rejected but converted by the same
// arithmetic. |what| must point to two readable bytes.
char x2c(const char *what);

// Decodes "%XX" escapes in place; the string only shrinks. A "%" with
// fewer than two bytes after it is kept as it stands. "+" is left alone.
void unescape_url(char *url);

// Turns every "+" into a blank, in place. Apply before unescape_url so that
// an escaped plus ("%2B") survives as "+".
void plustospace(char *str);

// Splits the word before the first |stop| off |line|: the word goes into
// |word|, the stop character is dropped and the rest of |line| moves to its
// front. If the word does not fit, |word| gets its first cap - 1 bytes and
// |line| keeps everything not copied, so the next call continues there.
void getword(char *word, std::size_t cap, char *line, char stop);

template <std::size_t N>
void getword(char (&word)[N], char *line, char stop) {
  getword(word, N, line, stop);
}

// As getword, but returns the word in a new malloc'ed string that the
// caller frees, or nullptr (with |line| unchanged) when memory runs out.
char *makeword(char *line, char stop);

// Reads a word ending at |stop| from |stream| into a new malloc'ed string.
// Every byte read decrements |*budget|; the word also ends when the budget
// reaches exactly 0 (that last byte is kept) or at end of input or a read
// error. The stop character is not kept. Returns nullptr when memory runs
// out.
char *fmakeword(FILE *stream, char stop, int *budget);

// Reads one line into |line| of capacity |n|, without its ending (LF, or a
// 0x04 byte). CR LF counts as LF. A line longer than n - 1 bytes is cut and
// the byte at the cut is lost. Returns 1 once the stream has reached end of
// input (or failed), else 0. With n < 1 nothing is read or written.
int qeld_getline(char *line, int n, FILE *stream);

// Copies |from| to |to| byte for byte until end of input, or until either
// stream fails.
void send_fd(FILE *from, FILE *to);

// Index of the first / last |c| in |s|, or -1; the terminator is never found.
int ind(const char *s, char c);
int rind(const char *s, char c);

// Puts a backslash before every shell metacharacter of |cmd|
// (&;`'"|*?~<>^()[]{}$\), in place. If the buffer cannot hold the next
// backslash, the string is cut before that character, so no unescaped
// metacharacter ever remains.
void escape_shell_cmd(char *cmd, std::size_t cap);

template <std::size_t N>
void escape_shell_cmd(char (&cmd)[N]) {
  escape_shell_cmd(cmd, N);
}

// The older percent-decoder: decodes in place the first 255 bytes of |url|
// (the rest is dropped). Only upper-case hex letters decode correctly. A "%"
// with fewer than two bytes after it is kept as it stands.
void old_unescape_url(char *url);

// The leading integer of a field's text as atoi reads it (blanks, a sign,
// decimal digits; 0 when there are none), but a number beyond int is held
// at INT_MIN or INT_MAX instead of overflowing.
int form_int(const char *text);

// The one HTML escaper: every page writes echoed user text through it.
// Copies |src| into |dest| with & < > " ' written as &amp; &lt; &gt; &quot;
// &#39;. Stops before a byte or entity that would not fit, so |dest| is
// always terminated and never holds half an entity. Returns |dest|.
char *html_escape(char *dest, std::size_t cap, const char *src);

template <std::size_t N>
char *html_escape(char (&dest)[N], const char *src) {
  return html_escape(dest, N, src);
}

// Room html_escape needs for |len| bytes of text: six bytes each at most,
// plus the terminator.
constexpr std::size_t html_escaped_size(std::size_t len) { return 6 * len + 1; }

#endif  // FORMLIB_FORMLIB_H
