// The complex roots page: the modulus and angle of re + im*i, the angle step
// between consecutive roots and the list of its n-th roots, followed by the
// input form.
//
// Bound: the list is printed only for an index n from -kMaxRootIndex to
// kMaxRootIndex (10000). Any other index prints the rest of the page as
// usual with a one-line notice in place of the list, so no query can make
// the page build or print more than 10000 records. An index beyond the range
// of int counts as the nearest int and so lands outside the bound.
#ifndef CGI_BIN_ROOTS_ROOTS_H
#define CGI_BIN_ROOTS_ROOTS_H

#include <cstddef>
#include <cstdio>
#include <vector>

// Largest index, in size, whose roots are listed.
inline constexpr int kMaxRootIndex = 10000;

// One root as the page keeps it. Every field holds single precision: a value
// computed in double is narrowed when stored here and widened back when read,
// which decides the digits the page prints.
struct complexRoot {
  float real;
  float imaginary;
  float angle;    // radians
  float modulus;  // the n-th root of the number's modulus
};

// The modulus of re + im*i: sqrt(re*re + im*im), infinite when the squares
// overflow.
double findModulus(double re, double im);

// The angle of re + im*i in radians, given its modulus r: asin(im / r), or
// pi - asin(im / r) when re < 0, so it lies in [-pi/2, 3pi/2). Not a number
// when r is 0.
double findAngle(double re, double im, double r);

// The step 2*pi/n between consecutive roots (negative for a negative n).
// n must not be 0.
double findStep(int n);

// Number of records the list of index n holds: n for n >= 2, else 1 (a
// negative index gives the single root at angle theta / n).
int rootCount(int n);

// Fills list[0 .. rootCount(n)) with the roots of index n of the number
// with modulus r and angle theta: record k has angle k * 2pi/n plus the
// first record's stored angle, and every record the first one's modulus.
// Needs n != 0 and cap >= rootCount(n); otherwise nothing is written and
// the result is 0. Returns the number of records written.
int findRoots(complexRoot *list, int cap, int n, double r, double theta);

// The request as the page reads it: the index n (form_int of "root", where
// 0 means 2) and the parts re and im (strtod of "real" and "imaginary").
// Reads the first kFormMax bytes of |query| (nullptr: an empty query), each
// field value raw and cut to 255 bytes.
struct RootsInput {
  int n;
  double re, im;
};
RootsInput readRootsInput(const char *query);

// Whether the page lists the roots of index n: -kMaxRootIndex <= n <=
// kMaxRootIndex. Any other index gets the notice in place of the list.
bool rootsListed(int n);

// Everything the page prints for one request, computed once: the fragment
// and the picture are both drawn from it.
struct RootsAnswer {
  RootsInput in;
  double r;                        // the modulus, findModulus
  double theta;                    // the angle, findAngle
  double delta;                    // the step between roots, findStep
  bool listed;                     // rootsListed(in.n)
  std::vector<complexRoot> roots;  // rootCount(in.n) records when listed, else none
};

// Reads |query| as roots_page does and computes its answer.
void answerRoots(RootsAnswer *answer, const char *query);

// Writes the page for |answer| to |out|: the whole fragment roots_page
// writes.
void writeRoots(FILE *out, const RootsAnswer &answer);

// Room for a root's text: two parts of at most 46 characters, "i" and the
// terminator.
inline constexpr std::size_t kRootTextSize = 128;

// |root| as the page's list shows it, in the process's numeric locale: each
// part lifted by 5e-7 and printed with five decimals, so that a tiny
// negative residue (the cosine of a single-precision pi/2) shows as 0.00000
// rather than -0.00000; the imaginary part carries its sign, then "i".
void rootText(char (&text)[kRootTextSize], const complexRoot &root);

// Writes the whole page for the form string |query| ("root=3&real=8&
// imaginary=0") to |out|. A null |query| is served as an empty one; only
// its first kFormMax bytes are read, and each field value is cut to 255 bytes.
// Field values are used undecoded. Returns the exit status, always 0.
int roots_page(FILE *out, const char *query);

#endif  // CGI_BIN_ROOTS_ROOTS_H
