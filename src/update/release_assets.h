#pragma once

#include <cstdint>
#include <string>

namespace scf {

// The size in bytes that a latest-release answer (a JSON object like GitHub's) gives for the
// asset named assetName: the "size" of the object in its "assets" array whose "name" is
// assetName. 0 when the answer gives none, or is not well-formed JSON.
std::uint64_t releaseAssetSize(const std::string& body, const std::string& assetName);

}  // namespace scf
