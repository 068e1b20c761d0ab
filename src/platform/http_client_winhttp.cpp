#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <string_view>
#include <vector>

#include "platform/build_info.h"
#include "platform/http_client.h"
#include "platform/http_redirect.h"
#include "platform/last_error.h"
#include "platform/utf16_win32.h"

namespace scf {
namespace {

constexpr int kResolveTimeoutMs = 5000;
constexpr int kConnectTimeoutMs = 5000;
constexpr int kSendTimeoutMs = 5000;
constexpr int kMaxRedirects = 20;
constexpr long kDownloadReceiveTimeoutMs = 30000;
constexpr DWORD kHostBufferUnits = 256;  // the longest host name taken
constexpr DWORD kLengthBufferUnits = 32;

// WinHTTP and socket codes in words: the system often has no text for them (wine has none).
struct KnownCode {
  DWORD code;
  const char* text;
};
constexpr KnownCode kKnownCodes[] = {
    {ERROR_WINHTTP_TIMEOUT, "the server did not answer in time"},
    {WSAETIMEDOUT, "the server did not answer in time"},
    {ERROR_WINHTTP_NAME_NOT_RESOLVED, "the server's name could not be resolved"},
    {ERROR_WINHTTP_CANNOT_CONNECT, "the connection to the server could not be made"},
    {WSAECONNREFUSED, "the connection to the server could not be made"},
    {ERROR_WINHTTP_CONNECTION_ERROR, "the connection to the server was broken"},
    {WSAECONNRESET, "the connection to the server was broken"},
    {ERROR_WINHTTP_INVALID_SERVER_RESPONSE, "the server's answer could not be understood"},
    {ERROR_WINHTTP_SECURE_FAILURE, "the secure connection to the server could not be made"},
    {ERROR_WINHTTP_INVALID_URL, "the address is not valid"},
    {ERROR_WINHTTP_UNRECOGNIZED_SCHEME, "the address's scheme is not supported"},
    {ERROR_WINHTTP_OPERATION_CANCELLED, "the request was cancelled"},
    {ERROR_WINHTTP_REDIRECT_FAILED, "the redirect could not be followed"},
    {ERROR_WINHTTP_HEADER_NOT_FOUND, "the server's answer lacks a header"},
    {ERROR_WINHTTP_RESEND_REQUEST, "the request would have to be sent again"},
    {ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED, "the server asks for a client certificate"},
};

std::string networkErrorText(DWORD code) {
  for (const KnownCode& known : kKnownCodes) {
    if (known.code == code)
      return std::string(known.text) + " (error " + std::to_string(code) + ")";
  }
  return errorText(static_cast<int>(code));
}

std::string lastNetworkErrorText() {
  return networkErrorText(GetLastError());
}

// Closes a WinHTTP handle on every path.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HINTERNET handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { reset(); }
  void reset(HINTERNET handle = nullptr) {
    if (handle_) WinHttpCloseHandle(handle_);
    handle_ = handle;
  }
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HINTERNET handle_ = nullptr;
};

bool sameLetters(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

// An absolute http or https address split for WinHTTP. The query stays with the path; a
// fragment is never sent.
struct Target {
  bool secure = false;
  std::wstring scheme;
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring path;
};

bool crack(const std::wstring& url, Target& target) {
  if (url.empty()) return false;
  // No buffers: each part comes back as a pointer into url and a length, so that an address of
  // any length (a redirect's may well be longer than 2048 units) is split whole.
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return false;
  if (!parts.lpszHostName || parts.dwHostNameLength == 0 ||
      parts.dwHostNameLength > kHostBufferUnits) {
    return false;
  }
  target.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  target.scheme = target.secure ? L"https" : L"http";
  target.host.assign(parts.lpszHostName, parts.dwHostNameLength);
  target.port = parts.nPort;
  target.path.clear();
  if (parts.lpszUrlPath) target.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  std::wstring query;
  if (parts.lpszExtraInfo) query.assign(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  query = query.substr(0, query.find(L'#'));
  if (target.path.empty()) target.path = L"/";
  target.path += query;
  return true;
}

// A redirect's Location made absolute against the address that answered. Only http and https
// targets are followed: another scheme comes back empty.
std::wstring resolveLocation(const Target& from, const std::wstring& location) {
  std::size_t colon = location.find(L':');
  const std::size_t firstSlash = location.find_first_of(L"/?#");
  if (colon != std::wstring::npos && (firstSlash == std::wstring::npos || colon < firstSlash) &&
      colon > 0) {
    const std::wstring_view scheme(location.data(), colon);
    if (!sameLetters(scheme, L"http") && !sameLetters(scheme, L"https")) return {};
    return location;
  }
  if (location.rfind(L"//", 0) == 0) return from.scheme + L":" + location;
  std::wstring origin = from.scheme + L"://" + from.host;
  const INTERNET_PORT defaultPort =
      from.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  if (from.port != defaultPort) origin += L":" + std::to_wstring(from.port);
  if (!location.empty() && location[0] == L'/') return origin + location;
  const std::wstring path = from.path.substr(0, from.path.find_first_of(L"?#"));
  if (location.empty()) return origin + from.path;
  if (location[0] == L'?') return origin + path + location;
  return origin + path.substr(0, path.rfind(L'/') + 1) + location;
}

bool isRedirect(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The Content-Length as the server wrote it, or nothing when absent or not a number.
bool contentLength(HINTERNET request, std::uint64_t& length) {
  wchar_t text[kLengthBufferUnits] = {};
  DWORD bytes = sizeof text;
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX,
                           text, &bytes, WINHTTP_NO_HEADER_INDEX)) {
    return false;
  }
  std::uint64_t value = 0;
  bool digits = false;
  for (std::size_t i = 0; i < bytes / sizeof(wchar_t) && text[i] != L'\0'; ++i) {
    const wchar_t c = text[i];
    if (c == L' ' || c == L'\t') {
      if (digits) break;
      continue;
    }
    if (c < L'0' || c > L'9') break;
    digits = true;
    const auto digit = static_cast<std::uint64_t>(c - L'0');
    value = value > (UINT64_MAX - digit) / 10 ? UINT64_MAX : value * 10 + digit;
  }
  if (digits) length = value;
  return digits;
}

bool location(HINTERNET request, std::wstring& text) {
  DWORD bytes = 0;
  WinHttpQueryHeaders(request, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                      WINHTTP_NO_OUTPUT_BUFFER, &bytes, WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return false;
  std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1);
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                           buffer.data(), &bytes, WINHTTP_NO_HEADER_INDEX)) {
    return false;
  }
  text.assign(buffer.data(), bytes / sizeof(wchar_t));
  return !text.empty();
}

// Called once, before the first chunk of the final response's body.
using ResponseHook = std::function<void(std::uint32_t status, std::uint64_t contentLength)>;

HttpResult perform(const std::string& url, const std::string& userAgent,
                   const std::string& extraHeaders, long receiveTimeoutMs, const HttpSink& sink,
                   const ResponseHook& onResponse, const std::atomic<bool>* stop) {
  HttpResult result;
  Target target;
  if (!crack(widen(url), target)) {
    result.error = "bad URL";
    return result;
  }
  const std::wstring agent = widen(userAgent);
  Handle session(WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                             WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) {
    session.reset(WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                              WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  }
  if (!session) {
    result.error = lastNetworkErrorText();
    return result;
  }
  // The receive time-out is an idle limit: it bounds each wait for the next bytes.
  const int receiveMs =
      receiveTimeoutMs <= 0 ? 1000 : static_cast<int>(std::min(receiveTimeoutMs, 0x7fffffffL));
  if (!WinHttpSetTimeouts(session.get(), kResolveTimeoutMs, kConnectTimeoutMs, kSendTimeoutMs,
                          receiveMs)) {
    result.error = lastNetworkErrorText();
    return result;
  }
  const std::wstring headers = widen(extraHeaders);
  const auto stopped = [&] {
    if (!stop || !stop->load()) return false;
    result.error = "stopped";
    return true;
  };

  for (int hop = 0;; ++hop) {
    result.status = 0;
    result.contentLength = 0;
    if (stopped()) return result;
    // Declared before the request so that the request closes first.
    Handle connection(WinHttpConnect(session.get(), target.host.c_str(), target.port, 0));
    if (!connection) {
      result.error = lastNetworkErrorText();
      return result;
    }
    Handle request(WinHttpOpenRequest(connection.get(), L"GET", target.path.c_str(), nullptr,
                                      WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                      target.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request) {
      result.error = lastNetworkErrorText();
      return result;
    }
    // Redirects are followed here, so that one to another scheme is refused; no cookies are
    // kept between them.
    DWORD features = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES;
    if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &features,
                          sizeof features)) {
      result.error = lastNetworkErrorText();
      return result;
    }
    // The wait for the headers has its own limit (wine never ends it otherwise): the same idle
    // limit as for the body, since a server that says nothing at all is as stalled.
    DWORD responseMs = static_cast<DWORD>(receiveMs);
    if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseMs,
                          sizeof responseMs)) {
      result.error = lastNetworkErrorText();
      return result;
    }
    if (!WinHttpSendRequest(
            request.get(), headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
            headers.empty() ? 0 : static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr)) {
      result.error = lastNetworkErrorText();
      return result;
    }
    DWORD status = 0;
    DWORD statusBytes = sizeof status;
    if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusBytes,
                             WINHTTP_NO_HEADER_INDEX)) {
      result.error = lastNetworkErrorText();
      return result;
    }
    result.status = status;
    std::uint64_t announced = 0;
    const bool lengthSeen = contentLength(request.get(), announced);
    result.contentLength = announced;

    std::wstring next;
    if (isRedirect(status) && location(request.get(), next)) {
      if (hop >= kMaxRedirects) {
        result.error = "too many redirects (more than " + std::to_string(kMaxRedirects) + ")";
        return result;
      }
      const std::wstring resolved = resolveLocation(target, next);
      Target following;
      if (resolved.empty() || !redirectAllowed(url, narrow(resolved))) {
        result.error = refusedRedirectText(narrow(resolved.empty() ? next : resolved));
        return result;
      }
      if (!crack(resolved, following)) {
        result.error = "the server redirected to an address that is not valid: " + narrow(next);
        return result;
      }
      target = following;
      continue;
    }

    // The final response: its body, chunk by chunk as the platform has it.
    std::vector<char> buffer;
    std::uint64_t bodyBytes = 0;
    bool firstChunk = true;
    for (;;) {
      if (stopped()) return result;
      DWORD available = 0;
      if (!WinHttpQueryDataAvailable(request.get(), &available)) {
        result.error = lastNetworkErrorText();
        return result;
      }
      if (available == 0) break;
      if (buffer.size() < available) buffer.resize(available);
      DWORD read = 0;
      if (!WinHttpReadData(request.get(), buffer.data(), available, &read)) {
        result.error = lastNetworkErrorText();
        return result;
      }
      if (read == 0) break;
      if (firstChunk) {
        firstChunk = false;
        if (onResponse) onResponse(result.status, result.contentLength);
      }
      bodyBytes += read;
      if (!sink(buffer.data(), read, result.error)) return result;
    }
    if (lengthSeen && bodyBytes != announced) {
      result.error = "the connection ended after " + std::to_string(bodyBytes) + " of " +
                     std::to_string(announced) + " bytes";
      return result;
    }
    result.ok = true;
    return result;
  }
}

}  // namespace

HttpResult HttpClient::get(const std::string& url, const std::string& userAgent,
                           const std::string& extraHeaders, long receiveTimeoutMs,
                           const HttpSink& sink) {
  return perform(url, userAgent, extraHeaders, receiveTimeoutMs, sink, {}, nullptr);
}

HttpDownloadResult HttpClient::download(const std::string& url, const std::string& userAgent,
                                        const std::string& path, std::uint64_t limit,
                                        const std::atomic<bool>& stop,
                                        std::atomic<std::uint64_t>& received,
                                        std::atomic<std::uint64_t>& total,
                                        const HttpDownloadCheck& check) {
  HttpDownloadResult result;
  received.store(0);
  total.store(0);
  const std::wstring widePath = widen(path);
  // A fresh file, not shared while it is written: a link planted at the path is replaced, never
  // followed.
  DeleteFileW(widePath.c_str());
  HANDLE file = CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    result.error = lastErrorText();
    return result;
  }

  std::uint32_t status = 0;
  const ResponseHook onResponse = [&status, &total](std::uint32_t code, std::uint64_t length) {
    status = code;
    total.store(length);
  };
  const HttpSink sink = [&](const char* data, std::size_t size, std::string& error) {
    if (status != 200) return false;  // an error page never reaches the file
    if (total.load() > limit) {       // announced too large: not worth a byte
      error = "download too large";
      return false;
    }
    if (stop.load()) {
      error = "stopped";
      return false;
    }
    if (check && !check(received.load() + size, total.load(), error)) return false;
    for (std::size_t written = 0; written < size;) {
      const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size - written, 1u << 30));
      DWORD wrote = 0;
      if (!WriteFile(file, data + written, part, &wrote, nullptr)) {
        error = lastErrorText();
        return false;
      }
      if (wrote == 0) {
        error = "the file could not be written";
        return false;
      }
      written += wrote;
    }
    if (received.fetch_add(size) + size > limit) {
      error = "download too large";
      return false;
    }
    return true;
  };
  HttpResult got = perform(url, userAgent, "Accept: application/octet-stream\r\n",
                           kDownloadReceiveTimeoutMs, sink, onResponse, &stop);
  if (!CloseHandle(file) && got.ok) {
    got.ok = false;
    got.error = lastErrorText();
  }
  if (got.ok && got.status == 200) {
    result.ok = true;
    return result;
  }
  result.error = got.error;
  if (result.error.empty()) {
    result.error = got.status == 200 ? "download failed" : "HTTP " + std::to_string(got.status);
  }
  DeleteFileW(widePath.c_str());
  return result;
}

std::string httpUserAgent() {
  return std::string("SCF-Launcher/") + kLauncherVersion;
}

}  // namespace scf
