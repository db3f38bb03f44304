// The character rules of the numeric edit fields. Each filter keeps the
// admissible bytes of a text in order and reports whether anything had to be
// dropped or rewritten. Bytes are judged one at a time, so a double-byte
// character loses its lead byte and keeps a trail byte that happens to be
// admissible.
#pragma once
#include <string>

// Keeps "0" to "9".
std::string FilterDecimal(const std::string& text, bool* changed);

// Keeps "0" to "9" and "A" to "F"; "a" to "f" become upper case (a change).
std::string FilterHex(const std::string& text, bool* changed);
