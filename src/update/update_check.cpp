#include "update/update_check.h"

#include <system_error>
#include <utility>

#include "platform/build_info.h"
#include "platform/http_client.h"
#include "update/release_assets.h"
#include "update/update_install.h"
#include "update/version_compare.h"

namespace scf {

const char* const kDefaultUpdateUrl =
    "https://api.github.com/repos/ZavUdedaved/ZER_Avudud/releases/latest";
const char* const kDefaultDownloadPrefix =
    "https://github.com/ZavUdedaved/ZER_Avudud/releases/download/";

namespace {

constexpr std::size_t kReleaseQueryLimit = 1048576;
constexpr char kDefaultPagePrefix[] = "https://github.com/ZavUdedaved/ZER_Avudud/releases/tag/";
constexpr char kPagePath[] = "/ZavUdedaved/ZER_Avudud/releases/tag/";

}  // namespace

std::string releasePagePrefix(const std::string& updateUrl) {
  if (updateUrl == kDefaultUpdateUrl) return kDefaultPagePrefix;
  const std::size_t scheme = updateUrl.find("://");
  if (scheme == std::string::npos) return kDefaultPagePrefix;
  const std::size_t pathStart = updateUrl.find('/', scheme + 3);
  return updateUrl.substr(0, pathStart) + kPagePath;
}

UpdateAnswer judgeReleaseAnswer(bool requestOk, unsigned status, const std::string& body,
                                const std::string& requestError) {
  UpdateAnswer answer;
  if (!requestOk) {
    answer.errorText = requestError;
  } else if (status == 404) {
    answer.errorText = "no release published yet";
  } else if (status == 200 && validTag(answer.tag = scanTagName(body))) {
    answer.found = true;
  } else {
    answer.tag.clear();
    answer.errorText = "HTTP " + std::to_string(status);
  }
  return answer;
}

UpdateCheck::UpdateCheck() : updateUrl(kDefaultUpdateUrl), shared_(std::make_shared<Shared>()) {}

UpdateCheck::~UpdateCheck() {
  // Quitting never waits for the network; the worker keeps its share of the state alive.
  if (worker_.joinable()) worker_.detach();
}

void UpdateCheck::start(const std::string& url, bool manual) {
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (shared_->view.state == kUpdateChecking) return;
    shared_->view.state = kUpdateChecking;
    shared_->view.manual = manual;
  }
  // The previous worker has published its result already: this join is short.
  if (worker_.joinable()) worker_.join();
  auto work = [shared = shared_, url, pagePrefix = releasePagePrefix(url)] {
    const HttpJsonResult got = HttpClient::getJson(url, httpUserAgent(), kReleaseQueryLimit);
    const UpdateAnswer answer = judgeReleaseAnswer(got.ok, got.status, got.body, got.error);
    std::lock_guard<std::mutex> lock(shared->mutex);
    if (answer.found) {
      shared->view.latestVersion = versionOfTag(answer.tag);
      shared->view.releaseTag = answer.tag;
      shared->view.releasePageUrl = pagePrefix + answer.tag;
      shared->view.assetSize =
          releaseAssetSize(got.body, releaseAssetName(shared->view.latestVersion));
      shared->view.state =
          tagIsNewer(answer.tag, kLauncherVersion) ? kUpdateAvailable : kUpdateUpToDate;
    } else {
      shared->view.state = kUpdateFailed;
      shared->view.errorText = answer.errorText;
    }
  };
  try {
    worker_ = std::thread(std::move(work));
  } catch (const std::system_error& error) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->view.state = kUpdateFailed;
    shared_->view.errorText = error.what();
  }
}

UpdateCheckView UpdateCheck::view() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->view;
}

}  // namespace scf
