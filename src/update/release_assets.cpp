#include "update/release_assets.h"

#include <cctype>
#include <cstddef>

namespace scf {
namespace {

constexpr int kMaxDepth = 64;

// A small JSON reader that walks the document once: enough to find one asset's size in a
// release answer without keeping the rest.
class Reader {
 public:
  explicit Reader(const std::string& text) : text_(text) {}

  // The size of the asset named name in the top object's "assets" array, or 0.
  std::uint64_t assetSize(const std::string& name) {
    std::uint64_t found = 0;
    skipSpace();
    if (!peek('{')) return 0;
    const bool ok = object(0, [&](const std::string& key) {
      if (key != "assets") return value(1);
      skipSpace();
      if (!peek('[')) return value(1);
      return array(1, [&] {
        skipSpace();
        if (!peek('{')) return value(2);
        std::string assetName;
        bool nameSeen = false;
        std::uint64_t size = 0;
        bool sizeSeen = false;
        const bool read = object(2, [&](const std::string& field) {
          skipSpace();
          if (field == "name" && peek('"')) {
            nameSeen = true;
            return string(assetName);
          }
          if (field == "size" && at() >= '0' && at() <= '9') {
            sizeSeen = true;
            return number(&size);
          }
          return value(3);
        });
        if (read && nameSeen && sizeSeen && assetName == name && found == 0) found = size;
        return read;
      });
    });
    return ok ? found : 0;
  }

 private:
  char at() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
  bool peek(char c) const { return pos_ < text_.size() && text_[pos_] == c; }
  bool eat(char c) {
    skipSpace();
    if (!peek(c)) return false;
    ++pos_;
    return true;
  }
  void skipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\n'))
      ++pos_;
  }

  // A string into out; escapes other than \" and \\ are kept as written (names never need them).
  bool string(std::string& out) {
    if (!eat('"')) return false;
    out.clear();
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return true;
      if (c == '\\') {
        if (pos_ >= text_.size()) return false;
        const char escaped = text_[pos_++];
        if (escaped == '"' || escaped == '\\' || escaped == '/') {
          out += escaped;
        } else {
          out += '\\';
          out += escaped;
        }
      } else if (static_cast<unsigned char>(c) < 0x20) {
        return false;
      } else {
        out += c;
      }
    }
    return false;
  }

  // A number; when into is given it must be a whole decimal number that fits.
  bool number(std::uint64_t* into) {
    skipSpace();
    const std::size_t start = pos_;
    if (peek('-')) ++pos_;
    std::uint64_t whole = 0;
    bool digits = false;
    bool fits = true;
    while (at() >= '0' && at() <= '9') {
      const auto digit = static_cast<std::uint64_t>(at() - '0');
      if (whole > (UINT64_MAX - digit) / 10) fits = false;
      whole = whole * 10 + digit;
      digits = true;
      ++pos_;
    }
    if (!digits) return false;
    bool plain = text_[start] != '-';
    if (peek('.') || peek('e') || peek('E')) {
      plain = false;
      while (pos_ < text_.size() &&
             (std::isdigit(static_cast<unsigned char>(at())) || at() == '.' || at() == 'e' ||
              at() == 'E' || at() == '+' || at() == '-'))
        ++pos_;
    }
    if (into) *into = plain && fits ? whole : 0;
    return true;
  }

  bool literal(const char* word) {
    skipSpace();
    for (const char* c = word; *c; ++c) {
      if (!peek(*c)) return false;
      ++pos_;
    }
    return true;
  }

  template <typename Member>
  bool object(int depth, Member member) {
    if (depth > kMaxDepth || !eat('{')) return false;
    if (eat('}')) return true;
    for (;;) {
      std::string key;
      skipSpace();
      if (!string(key) || !eat(':') || !member(key)) return false;
      if (eat('}')) return true;
      if (!eat(',')) return false;
    }
  }

  template <typename Element>
  bool array(int depth, Element element) {
    if (depth > kMaxDepth || !eat('[')) return false;
    if (eat(']')) return true;
    for (;;) {
      if (!element()) return false;
      if (eat(']')) return true;
      if (!eat(',')) return false;
    }
  }

  // Any value, skipped.
  bool value(int depth) {
    skipSpace();
    std::string ignored;
    switch (at()) {
      case '{':
        return object(depth, [&](const std::string&) { return value(depth + 1); });
      case '[':
        return array(depth, [&] { return value(depth + 1); });
      case '"':
        return string(ignored);
      case 't':
        return literal("true");
      case 'f':
        return literal("false");
      case 'n':
        return literal("null");
      default:
        return number(nullptr);
    }
  }

  const std::string& text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::uint64_t releaseAssetSize(const std::string& body, const std::string& assetName) {
  return Reader(body).assetSize(assetName);
}

}  // namespace scf
