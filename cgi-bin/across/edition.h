// The two editions of the guest book. They differ in the filter's rule for
// an empty word, and on the page in how the word is cut and sanitised and
// in the footer's class attributes.
#ifndef CGI_BIN_ACROSS_EDITION_H
#define CGI_BIN_ACROSS_EDITION_H

enum class Edition { kCurrent, kEarlier };

#endif  // CGI_BIN_ACROSS_EDITION_H
