#pragma once

#include <cstddef>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

namespace scf {

namespace utf8_detail {

inline void append(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The text with every byte that does not start a well-formed UTF-8 sequence (overlong forms,
// surrogates and values past U+10FFFF included) replaced by U+FFFD.
inline std::string wellFormed(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    }
    bool valid = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const unsigned char next = byte(i + k);
      valid = k == 1 ? next >= low && next <= high : next >= 0x80 && next <= 0xBF;
    }
    if (valid) {
      out.append(text.substr(i, length));
      i += length;
    } else {
      append(out, 0xFFFD);
      ++i;
    }
  }
  return out;
}

// UTF-8 from a system's native path text: bytes are taken as they are, UTF-16 is decoded with
// unpaired surrogates replaced by U+FFFD.
template <typename Char>
std::string fromNative(std::basic_string_view<Char> native) {
  if constexpr (sizeof(Char) == 1) {
    return std::string(native.begin(), native.end());
  } else {
    std::string out;
    for (std::size_t i = 0; i < native.size(); ++i) {
      const auto unit = static_cast<char32_t>(native[i]);
      if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < native.size()) {
        const auto next = static_cast<char32_t>(native[i + 1]);
        if (next >= 0xDC00 && next <= 0xDFFF) {
          append(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
          ++i;
          continue;
        }
      }
      append(out, unit >= 0xD800 && unit <= 0xDFFF ? char32_t{0xFFFD} : unit);
    }
    return out;
  }
}

}  // namespace utf8_detail

// Every path inside the launcher is a UTF-8 std::string. Building a path from a plain
// std::string reads its bytes in the system's narrow encoding, which on Windows is the ANSI
// code page and mangles any name outside it; going through char8_t says "this is UTF-8" on
// every system (and changes nothing where the narrow encoding already is UTF-8).
// Where names are UTF-16 (Windows), bytes that are not UTF-8 cannot be converted and would
// throw: they become U+FFFD instead, naming a file that is then simply not found. Where names
// are bytes (Linux), every byte is kept as it is.
inline std::filesystem::path utf8Path(const std::string& utf8) {
  try {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
  } catch (const std::exception&) {
    const std::string mended = utf8_detail::wellFormed(utf8);
    return std::filesystem::path(std::u8string(mended.begin(), mended.end()));
  }
}

// The path's name as UTF-8, whatever the system's own encoding of it. A Windows name holding
// an unpaired surrogate, which UTF-8 cannot carry, gets U+FFFD in its place.
inline std::string utf8String(const std::filesystem::path& path) {
  try {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
  } catch (const std::exception&) {
    return utf8_detail::fromNative(
        std::basic_string_view<std::filesystem::path::value_type>(path.native()));
  }
}

}  // namespace scf
