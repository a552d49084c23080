// The roots checked in-process against an independent computation on
// std::complex<double>, and the page function called directly.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "cgi-bin/roots/roots.h"
#include "testsupport/run_program.h"

namespace {

using Complex = std::complex<double>;

// Every n-th root of z: |z|^(1/n) at the angles (arg z + 2 pi k) / n.
std::vector<Complex> oracleRoots(Complex z, int n) {
  std::vector<Complex> roots;
  double modulus = std::pow(std::abs(z), 1.0 / n);
  for (int k = 0; k < std::abs(n); ++k)
    roots.push_back(std::polar(modulus, (std::arg(z) + 2 * std::numbers::pi * k) / n));
  return roots;
}

// A part of random sign and size from 1e-3 to 1e4, now and then zero.
double randomPart(std::mt19937 &gen) {
  if (gen() % 8 == 0) return 0;
  double size = std::pow(10.0, std::uniform_real_distribution<double>(-3, 4)(gen));
  return gen() % 2 ? size : -size;
}

int randomIndex(std::mt19937 &gen) {
  static const int kLarge[] = {100, 999, 1000, -1000};
  if (gen() % 16 == 0) return kLarge[gen() % 4];
  int n = std::uniform_int_distribution<int>(-12, 24)(gen);
  return n == 0 ? 2 : n;
}

TEST(RootsOracle, EveryRootIsADistinctComplexRootWithinSinglePrecision) {
  std::mt19937 gen(20261207);
  for (int trial = 0; trial < 1500; ++trial) {
    int n = randomIndex(gen);
    Complex z(randomPart(gen), randomPart(gen));
    if (z == Complex(0, 0)) z = Complex(1, -1);
    SCOPED_TRACE(testing::Message() << "n=" << n << " z=" << z);

    double r = findModulus(z.real(), z.imag());
    std::vector<complexRoot> list(rootCount(n));
    ASSERT_EQ(findRoots(list.data(), static_cast<int>(list.size()), n, r,
                        findAngle(z.real(), z.imag(), r)),
              n >= 2 ? n : 1);

    std::vector<Complex> expected = oracleRoots(z, n);
    std::vector<bool> matched(expected.size(), false);
    double tolerance = 1e-6 * std::abs(expected[0]);
    for (const complexRoot &root : list) {
      Complex got(root.real, root.imaginary);
      std::size_t best = 0;
      for (std::size_t j = 1; j < expected.size(); ++j)
        if (std::abs(got - expected[j]) < std::abs(got - expected[best])) best = j;
      ASSERT_LE(std::abs(got - expected[best]), tolerance) << "root " << got;
      ASSERT_FALSE(matched[best]) << "root " << got << " listed twice";
      matched[best] = true;
      if (std::abs(n) <= 24) {
        EXPECT_LE(std::abs(std::pow(got, n) - z), 2e-6 * std::abs(n) * r);
      }
    }
  }
}

struct FillCase {
  int n, cap, result;
};

const FillCase kFills[] = {
    {3, 3, 3}, {3, 2, 0}, {1, 1, 1}, {-7, 1, 1}, {0, 10, 0}, {2, 0, 0},
};

TEST(RootsOracle, FillsOnlyAListThatHoldsEveryRoot) {
  for (const FillCase &c : kFills) {
    complexRoot list[11] = {};
    list[c.cap].real = 99;  // the record past the capacity must stay untouched
    EXPECT_EQ(findRoots(list, c.cap, c.n, 1, 0), c.result) << "n=" << c.n << " cap=" << c.cap;
    EXPECT_EQ(list[c.cap].real, 99);
  }
}

TEST(RootsOracle, NullQueryServesAsEmpty) {
  EXPECT_EQ(capture([](FILE *out) { roots_page(out, nullptr); }),
            capture([](FILE *out) { roots_page(out, ""); }));
}

}  // namespace
