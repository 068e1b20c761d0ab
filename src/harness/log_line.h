#pragma once

#include <string>

namespace scf {

// Fills a printf-style format whose only conversions are "%s" (a, then b, then nothing) and
// "%%". Anything else after a "%" is kept as written, so a format can never read past its
// two strings.
std::string fillFormat(const std::string& format, const std::string& a, const std::string& b);

// One line of selftest.log without its line feed: the elapsed seconds right-aligned in eight
// characters with one decimal, in brackets, a space, then the filled format.
std::string logLineText(double elapsed, const std::string& format, const std::string& a,
                        const std::string& b);

// A number as printf's "%f" writes it (six decimals), for log lines.
std::string fixedSix(double value);

}  // namespace scf
