// Includes the installed header and nothing else, and calls into the library.
#include "formlib/formlib.h"

int main() {
  char value[16];
  return get_var(value, "a", "a=1") == 1 ? 0 : 1;
}
