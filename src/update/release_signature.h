#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scf {

// A public key the launcher trusts to sign releases, in minisign's form: an 8-byte key id and
// an Ed25519 key.
struct SignatureKey {
  std::array<unsigned char, 8> id{};
  std::array<unsigned char, 32> key{};
};

// Reads a minisign public key: the base64 text ("RW…") alone, or a whole .pub file whose last
// non-empty line it is. False when the text is not one.
bool parsePublicKey(std::string_view text, SignatureKey& key);

// The keys this build trusts, parsed from the public keys it was configured with (a list, so a
// key can be replaced by the next one without a release nobody can install).
std::vector<SignatureKey> builtInReleaseKeys();

// What a release archive's detached signature says about it.
enum class SignatureVerdict : int {
  valid = 0,
  missing,          // no signature file, or an empty one
  malformed,        // not a minisign signature: lines, base64 or sizes wrong
  legacyAlgorithm,  // minisign's legacy "Ed" form (the file signed whole, not its hash)
  unknownKey,       // signed by a key this launcher does not trust
  badSignature,     // the signature does not match the archive
  badComment,       // the trusted comment's own signature does not match it
  otherRelease,     // the trusted comment names another file or version
  unreadable,       // the archive cannot be read
  noTrustedKey,     // this launcher was built without any key
};

// Checks the minisign signature file signaturePath of the archive archivePath against keys:
// the "ED" algorithm (Ed25519 over the archive's BLAKE2b-512 hash), the global signature over
// the signature and the trusted comment, and a trusted comment naming file:<assetName> and
// version:<version> among its tab- or space-separated fields. Reads the archive once, in
// pieces. Safe on any thread.
SignatureVerdict verifyReleaseSignature(const std::string& archivePath,
                                        const std::string& signaturePath,
                                        const std::string& assetName, const std::string& version,
                                        const std::vector<SignatureKey>& keys);

// The same for a signature already in memory.
SignatureVerdict verifyReleaseSignatureText(const std::string& archivePath,
                                            std::string_view signature,
                                            const std::string& assetName,
                                            const std::string& version,
                                            const std::vector<SignatureKey>& keys);

// Why, in a few words of the current language, to follow "it is not signed by the game's
// makers" (empty for valid).
std::string signatureVerdictReason(SignatureVerdict verdict);

// The whole sentence a player reads when an update is refused for its signature, in the
// current language.
std::string unsignedUpdateSentence(SignatureVerdict verdict);

}  // namespace scf
