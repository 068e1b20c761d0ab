#include "update/release_signature.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "release/tr.h"
#include "support/test_support.h"

namespace scf {
namespace {

const std::string kCases = SCF_SIGNATURE_CASES;
const std::string kAsset = "ZER_Avudud-0.9.0-ravelin.zip";

SignatureKey keyFrom(const std::string& pubFile) {
  SignatureKey key;
  EXPECT_TRUE(parsePublicKey(scf::testing::readFile(pubFile), key)) << pubFile;
  return key;
}

// The cases the minisign tool signed and the build then tampered with, and the verdict each
// must get: "<case> <verdict>" lines.
std::vector<std::pair<std::string, std::string>> signatureCases() {
  std::vector<std::pair<std::string, std::string>> cases;
  std::ifstream table(utf8Path(kCases + "/cases.txt"));
  std::string name;
  std::string verdict;
  while (table >> name >> verdict)
    cases.emplace_back(name, verdict);
  return cases;
}

const std::map<std::string, SignatureVerdict>& verdictNames() {
  static const std::map<std::string, SignatureVerdict> names = {
      {"valid", SignatureVerdict::valid},
      {"missing", SignatureVerdict::missing},
      {"malformed", SignatureVerdict::malformed},
      {"legacyAlgorithm", SignatureVerdict::legacyAlgorithm},
      {"unknownKey", SignatureVerdict::unknownKey},
      {"badSignature", SignatureVerdict::badSignature},
      {"badComment", SignatureVerdict::badComment},
      {"otherRelease", SignatureVerdict::otherRelease},
  };
  return names;
}

TEST(ReleaseSignature, EveryCaseSignedByMinisignGetsItsVerdict) {
  const auto cases = signatureCases();
  ASSERT_GE(cases.size(), 15u) << "the signature cases were not made in " << kCases;
  const std::vector<SignatureKey> trusted = {keyFrom(kCases + "/trusted.pub")};
  for (const auto& [name, expected] : cases) {
    ASSERT_EQ(verdictNames().count(expected), 1u) << expected;
    const std::string archive = kCases + "/" + name + "/" + kAsset;
    EXPECT_EQ(static_cast<int>(
                  verifyReleaseSignature(archive, archive + ".minisig", kAsset, "0.9.0", trusted)),
              static_cast<int>(verdictNames().at(expected)))
        << name;
  }
}

TEST(ReleaseSignature, KeyListsRotationAndNoKeys) {
  const std::string archive = kCases + "/signed/" + kAsset;
  const std::string signature = archive + ".minisig";
  const SignatureKey trusted = keyFrom(kCases + "/trusted.pub");
  const SignatureKey other = keyFrom(kCases + "/other.pub");
  // Either key of a list may have signed; the order does not matter.
  EXPECT_EQ(verifyReleaseSignature(archive, signature, kAsset, "0.9.0", {other, trusted}),
            SignatureVerdict::valid);
  EXPECT_EQ(verifyReleaseSignature(archive, signature, kAsset, "0.9.0", {trusted, other}),
            SignatureVerdict::valid);
  EXPECT_EQ(verifyReleaseSignature(archive, signature, kAsset, "0.9.0", {other}),
            SignatureVerdict::unknownKey);
  EXPECT_EQ(verifyReleaseSignature(archive, signature, kAsset, "0.9.0", {}),
            SignatureVerdict::noTrustedKey);
  // The comment must name this release: the same files checked as another version fail.
  EXPECT_EQ(verifyReleaseSignature(archive, signature, kAsset, "0.9.1", {trusted}),
            SignatureVerdict::otherRelease);
  EXPECT_EQ(
      verifyReleaseSignature(kCases + "/signed/missing.zip", signature, kAsset, "0.9.0", {trusted}),
      SignatureVerdict::unreadable);
  // A release's signature and comment with the global signature of another release's comment
  // (Ed25519 signs alike what it signed before, so the archive signatures are the same).
  scf::testing::TempFolder folder;
  const std::string good = scf::testing::readFile(signature);
  const std::string otherVersion =
      scf::testing::readFile(kCases + "/other-version/" + kAsset + ".minisig");
  const auto lines = [](const std::string& text) {
    std::vector<std::string> out;
    std::string line;
    for (char c : text) {
      if (c == '\n') {
        out.push_back(line);
        line.clear();
      } else {
        line += c;
      }
    }
    return out;
  };
  const auto a = lines(good);
  const auto b = lines(otherVersion);
  ASSERT_EQ(a.size(), 4u);
  ASSERT_EQ(b.size(), 4u);
  scf::testing::writeFile(folder / "mixed.minisig",
                          a[0] + "\n" + a[1] + "\n" + a[2] + "\n" + b[3] + "\n");
  EXPECT_EQ(verifyReleaseSignature(archive, folder / "mixed.minisig", kAsset, "0.9.0", {trusted}),
            SignatureVerdict::badComment);
  // CR LF line ends, as a Windows editor would leave them, are read alike.
  std::string crlf;
  for (const std::string& line : a)
    crlf += line + "\r\n";
  scf::testing::writeFile(folder / "crlf.minisig", crlf);
  EXPECT_EQ(verifyReleaseSignature(archive, folder / "crlf.minisig", kAsset, "0.9.0", {trusted}),
            SignatureVerdict::valid);
}

TEST(ReleaseSignature, PublicKeysFromTextOrFile) {
  const std::string file = scf::testing::readFile(kCases + "/trusted.pub");
  SignatureKey fromFile;
  ASSERT_TRUE(parsePublicKey(file, fromFile));
  const std::string line = file.substr(file.find('\n') + 1, 56);
  SignatureKey fromLine;
  ASSERT_TRUE(parsePublicKey(line, fromLine));
  EXPECT_EQ(fromFile.id, fromLine.id);
  EXPECT_EQ(fromFile.key, fromLine.key);
  SignatureKey ignored;
  for (const std::string& bad : {std::string(), std::string("RW"), line.substr(0, 55), line + "A",
                                 "R!" + line.substr(2), "RX" + line.substr(2)}) {
    EXPECT_FALSE(parsePublicKey(bad, ignored)) << bad;
  }
}

TEST(ReleaseSignature, EveryRefusalIsOneSentenceInBothLanguages) {
  for (int v = 1; v <= static_cast<int>(SignatureVerdict::noTrustedKey); ++v) {
    const auto verdict = static_cast<SignatureVerdict>(v);
    uiFrench = false;
    const std::string english = unsignedUpdateSentence(verdict);
    uiFrench = true;
    const std::string french = unsignedUpdateSentence(verdict);
    uiFrench = false;
    EXPECT_EQ(
        english.rfind("The update was not installed: it is not signed by the game's makers (", 0),
        0u)
        << english;
    EXPECT_EQ(french.rfind("La mise à jour n'a pas été installée : elle n'est pas signée par les "
                           "auteurs du jeu (",
                           0),
              0u)
        << french;
    EXPECT_EQ(english.substr(english.size() - 2), ").") << english;
    EXPECT_GT(signatureVerdictReason(verdict).size(), 10u) << v;
  }
  EXPECT_TRUE(signatureVerdictReason(SignatureVerdict::valid).empty());
}

}  // namespace
}  // namespace scf
