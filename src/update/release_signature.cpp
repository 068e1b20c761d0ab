#include "update/release_signature.h"

#include <sodium.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "platform/file_open.h"
#include "platform/file_read.h"
#include "platform/utf8_path.h"
#include "release/tr.h"
#include "release_keys.h"

namespace scf {
namespace {

// minisign's layouts: a public key is "Ed", the key id and the key; a signature is the
// algorithm ("ED" prehashed, "Ed" legacy), the key id and the Ed25519 signature.
constexpr std::size_t kKeyIdBytes = 8;
constexpr std::size_t kPublicKeyBlob = 2 + kKeyIdBytes + crypto_sign_PUBLICKEYBYTES;
constexpr std::size_t kSignatureBlob = 2 + kKeyIdBytes + crypto_sign_BYTES;
constexpr std::size_t kHashBytes = crypto_generichash_BYTES_MAX;  // BLAKE2b-512
constexpr std::string_view kUntrustedPrefix = "untrusted comment: ";
constexpr std::string_view kTrustedPrefix = "trusted comment: ";
// A signature file is four short lines; minisign's comments are at most 1024 bytes.
constexpr std::size_t kSignatureFileLimit = 4096;
constexpr std::size_t kReadChunk = std::size_t{1} << 20;

bool sodiumReady() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

// Base64 (the standard alphabet with padding, as minisign writes it) of exactly `size` bytes;
// anything else in the text, even one stray character, is refused.
bool decodeExactly(std::string_view text, unsigned char* out, std::size_t size) {
  if (text.empty() || text.size() > 4 * ((size + 2) / 3)) return false;
  std::size_t length = 0;
  const char* end = nullptr;
  if (sodium_base642bin(out, size, text.data(), text.size(), nullptr, &length, &end,
                        sodium_base64_VARIANT_ORIGINAL) != 0) {
    return false;
  }
  return length == size && end == text.data() + text.size();
}

std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// The archive's BLAKE2b-512 hash, read in pieces.
bool hashFile(const std::string& path, unsigned char (&hash)[kHashBytes]) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(path, "rb"), &std::fclose);
  if (!file) return false;
  crypto_generichash_state state;
  crypto_generichash_init(&state, nullptr, 0, kHashBytes);
  std::vector<unsigned char> buffer(kReadChunk);
  for (;;) {
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
    if (got > 0) crypto_generichash_update(&state, buffer.data(), got);
    if (got < buffer.size()) break;
  }
  if (std::ferror(file.get())) return false;
  crypto_generichash_final(&state, hash, kHashBytes);
  return true;
}

// Whether the trusted comment's fields (separated by tabs or spaces) hold exactly one
// file:<asset> and one version:<version>, both naming this release.
bool commentNamesRelease(std::string_view comment, const std::string& assetName,
                         const std::string& version) {
  int files = 0;
  int versions = 0;
  bool fileMatches = false;
  bool versionMatches = false;
  while (!comment.empty()) {
    const std::size_t end = comment.find_first_of(" \t");
    const std::string_view field = comment.substr(0, end);
    if (field.rfind("file:", 0) == 0) {
      ++files;
      fileMatches = field.substr(5) == assetName;
    } else if (field.rfind("version:", 0) == 0) {
      ++versions;
      versionMatches = field.substr(8) == version;
    }
    if (end == std::string_view::npos) break;
    comment.remove_prefix(end + 1);
  }
  return files == 1 && versions == 1 && fileMatches && versionMatches;
}

std::string format(const char* pattern, const std::string& value) {
  const int size = std::snprintf(nullptr, 0, pattern, value.c_str());
  if (size <= 0) return pattern;
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  std::snprintf(text.data(), text.size(), pattern, value.c_str());
  text.resize(static_cast<std::size_t>(size));
  return text;
}

}  // namespace

bool parsePublicKey(std::string_view text, SignatureKey& key) {
  if (!sodiumReady()) return false;
  // A whole .pub file: the key is its last non-empty line.
  std::string_view line;
  for (std::string_view candidate : linesOf(text)) {
    while (!candidate.empty() && (candidate.back() == ' ' || candidate.back() == '\t'))
      candidate.remove_suffix(1);
    if (!candidate.empty()) line = candidate;
  }
  unsigned char blob[kPublicKeyBlob];
  if (!decodeExactly(line, blob, sizeof blob) || blob[0] != 'E' || blob[1] != 'd') return false;
  std::copy(blob + 2, blob + 2 + kKeyIdBytes, key.id.begin());
  std::copy(blob + 2 + kKeyIdBytes, blob + kPublicKeyBlob, key.key.begin());
  return true;
}

std::vector<SignatureKey> builtInReleaseKeys() {
  std::vector<SignatureKey> keys;
  for (const char* text : kReleasePublicKeys) {
    SignatureKey key;
    if (text != nullptr && parsePublicKey(text, key)) keys.push_back(key);
  }
  return keys;
}

SignatureVerdict verifyReleaseSignature(const std::string& archivePath,
                                        const std::string& signaturePath,
                                        const std::string& assetName, const std::string& version,
                                        const std::vector<SignatureKey>& keys) {
  const std::optional<std::string> text = readSmallFile(signaturePath, kSignatureFileLimit);
  if (!text) {
    std::error_code error;
    return std::filesystem::exists(utf8Path(signaturePath), error) ? SignatureVerdict::malformed
                                                                   : SignatureVerdict::missing;
  }
  return verifyReleaseSignatureText(archivePath, *text, assetName, version, keys);
}

SignatureVerdict verifyReleaseSignatureText(const std::string& archivePath,
                                            std::string_view signature,
                                            const std::string& assetName,
                                            const std::string& version,
                                            const std::vector<SignatureKey>& keys) {
  if (keys.empty()) return SignatureVerdict::noTrustedKey;
  if (signature.empty()) return SignatureVerdict::missing;
  if (!sodiumReady()) return SignatureVerdict::unreadable;

  // Four lines: the untrusted comment, the signature, the trusted comment, its signature.
  std::vector<std::string_view> lines = linesOf(signature);
  while (!lines.empty() && lines.back().empty())
    lines.pop_back();
  if (lines.size() != 4 || lines[0].rfind(kUntrustedPrefix, 0) != 0 ||
      lines[2].rfind(kTrustedPrefix, 0) != 0) {
    return SignatureVerdict::malformed;
  }
  unsigned char blob[kSignatureBlob];
  unsigned char global[crypto_sign_BYTES];
  if (!decodeExactly(lines[1], blob, sizeof blob) ||
      !decodeExactly(lines[3], global, sizeof global)) {
    return SignatureVerdict::malformed;
  }
  if (blob[0] == 'E' && blob[1] == 'd') return SignatureVerdict::legacyAlgorithm;
  if (blob[0] != 'E' || blob[1] != 'D') return SignatureVerdict::malformed;

  const SignatureKey* signer = nullptr;
  for (const SignatureKey& key : keys) {
    if (std::equal(key.id.begin(), key.id.end(), blob + 2)) signer = &key;
  }
  if (signer == nullptr) return SignatureVerdict::unknownKey;

  unsigned char hash[kHashBytes];
  if (!hashFile(archivePath, hash)) return SignatureVerdict::unreadable;
  const unsigned char* archiveSignature = blob + 2 + kKeyIdBytes;
  if (crypto_sign_verify_detached(archiveSignature, hash, sizeof hash, signer->key.data()) != 0) {
    return SignatureVerdict::badSignature;
  }

  // The trusted comment is signed together with the archive's signature, so it cannot be moved
  // to another archive or changed.
  const std::string_view comment = lines[2].substr(kTrustedPrefix.size());
  std::string signedText(reinterpret_cast<const char*>(archiveSignature), crypto_sign_BYTES);
  signedText.append(comment);
  if (crypto_sign_verify_detached(global, reinterpret_cast<const unsigned char*>(signedText.data()),
                                  signedText.size(), signer->key.data()) != 0) {
    return SignatureVerdict::badComment;
  }
  if (!commentNamesRelease(comment, assetName, version)) return SignatureVerdict::otherRelease;
  return SignatureVerdict::valid;
}

std::string signatureVerdictReason(SignatureVerdict verdict) {
  switch (verdict) {
    case SignatureVerdict::valid:
      return {};
    case SignatureVerdict::missing:
      return tr("no signature was published with it", "aucune signature n'est publiée avec elle");
    case SignatureVerdict::malformed:
      return tr("its signature file is damaged", "son fichier de signature est abîmé");
    case SignatureVerdict::legacyAlgorithm:
      return tr("its signature is of an old kind this launcher no longer accepts",
                "sa signature est d'un ancien type que ce lanceur n'accepte plus");
    case SignatureVerdict::unknownKey:
      return tr("it is signed with a key this launcher does not know",
                "elle est signée avec une clé que ce lanceur ne connaît pas");
    case SignatureVerdict::badSignature:
      return tr("the download does not match its signature",
                "le téléchargement ne correspond pas à sa signature");
    case SignatureVerdict::badComment:
      return tr("the description in its signature was altered",
                "la description dans sa signature a été modifiée");
    case SignatureVerdict::otherRelease:
      return tr("its signature is for another release",
                "sa signature est celle d'une autre version");
    case SignatureVerdict::unreadable:
      return tr("the download cannot be read", "le téléchargement est illisible");
    case SignatureVerdict::noTrustedKey:
      return tr("this launcher was built without the makers' key",
                "ce lanceur a été compilé sans la clé des auteurs");
  }
  return {};
}

std::string unsignedUpdateSentence(SignatureVerdict verdict) {
  return format(tr("The update was not installed: it is not signed by the game's makers (%s).",
                   "La mise à jour n'a pas été installée : elle n'est pas signée par les auteurs "
                   "du jeu (%s)."),
                signatureVerdictReason(verdict));
}

}  // namespace scf
