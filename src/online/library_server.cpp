// The one place where a library of others does its own socket calls:
// cpp-httplib accepts, reads and answers the connections; this file only
// routes requests to the folder.
#include "online/library_server.h"

#include <httplib.h>

#include <atomic>

#include "platform/event.h"
#include "platform/socket_stream.h"

namespace kv {

namespace {

// Room for the form around the track file: boundaries, part headers, the
// e-mail address and the description.
constexpr size_t kFormOverhead = 16 * 1024;
constexpr int32_t kStopRetryMs = 50;
constexpr const char* kPlainText = "text/plain; charset=utf-8";

std::string StatusLine(int status) {
  switch (status) {
    case 400:
      return "Bad request.\n";
    case 404:
      return "Not found.\n";
    case 413:
      return "The request is too large.\n";
    default:
      return "The request failed.\n";
  }
}

}  // namespace

struct LibraryServer::Impl {
  LibraryFolder& folder;
  UploadLog log;
  httplib::Server http;
  std::atomic<bool> running{false};
  std::atomic<bool> stop_requested{false};
  platform::Event finished;

  void ServeIndex(httplib::Response& res) {
    const std::optional<std::string> index = folder.IndexBytes();
    if (!index) {
      res.status = 500;
      return;
    }
    res.set_content(*index, kPlainText);
  }

  void ServeFile(const std::string& name, httplib::Response& res) {
    const FileNameCheck check = CheckRequestedName(name);
    if (check == FileNameCheck::kNameMalformed) {
      res.status = 400;
      return;
    }
    const std::optional<std::string> bytes = folder.FileBytes(name);
    if (!bytes) {
      res.status = 404;
      return;
    }
    res.set_content(*bytes, "application/octet-stream");
  }

  void Upload(const httplib::Request& req, httplib::Response& res) {
    const char* missing =
        !req.is_multipart_form_data()  ? "The upload is not a multipart form.\n"
        : !req.has_file("attachment")  ? "The form has no track file (\"attachment\").\n"
        : !req.has_file("email")       ? "The form has no e-mail address (\"email\").\n"
        : !req.has_file("description") ? "The form has no description (\"description\").\n"
                                       : nullptr;
    if (missing != nullptr) {
      res.status = 400;
      res.set_content(missing, kPlainText);
      return;
    }
    const httplib::MultipartFormData track = req.get_file_value("attachment");
    const std::string email = UndoubleQuotes(req.get_file_value("email").content);
    const UploadResult result =
        folder.AddUpload(UndoubleQuotes(track.filename), email,
                         UndoubleQuotes(req.get_file_value("description").content), track.content);
    res.status = result.status;
    if (result.status != 200) {
      res.set_content(result.reason + "\n", kPlainText);
      return;
    }
    // The client takes the first non-empty line, with its line end, as the
    // verdict.
    res.set_content("Success.\r\n", kPlainText);
    if (log)
      log(result.file_name, IndexText(UndoubleQuotes(track.filename), true),
          IndexText(email, false));
  }
};

LibraryServer::LibraryServer(LibraryFolder& folder, UploadLog log)
    : impl_(new Impl{folder, std::move(log), {}, {}, {}, {}}) {
  httplib::Server& http = impl_->http;
  Impl* impl = impl_.get();
  // The library would also let a second server share the port and take
  // half of the connections to another folder; a port in use must fail.
  http.set_socket_options([](int socket_fd) { platform::ReuseAddressAlone(socket_fd); });
  http.set_payload_max_length(static_cast<size_t>(kMaxUploadedTrackBytes) + kFormOverhead);
  const std::string base(kLibraryPath);
  http.Get(base + std::string(kIndexPage),
           [impl](const httplib::Request&, httplib::Response& res) { impl->ServeIndex(res); });
  http.Get(base + R"(([\s\S]*))", [impl](const httplib::Request& req, httplib::Response& res) {
    impl->ServeFile(req.matches[1].str(), res);
  });
  http.Post(base + std::string(kUploadPage), [impl](const httplib::Request& req, httplib::Response& res) {
    impl->Upload(req, res);
  });
  // Errors without a text of their own get a line, for people trying the
  // server with a browser or curl.
  http.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (res.body.empty()) res.set_content(StatusLine(res.status), kPlainText);
  });
}

LibraryServer::~LibraryServer() = default;

int LibraryServer::Bind(const std::string& address, int port) {
  if (port == 0) return impl_->http.bind_to_any_port(address);
  return impl_->http.bind_to_port(address, port) ? port : -1;
}

bool LibraryServer::Run() {
  impl_->running = true;
  bool served = true;
  if (!impl_->stop_requested) served = impl_->http.listen_after_bind();
  impl_->finished.Set();
  return served || impl_->stop_requested;
}

void LibraryServer::Stop() {
  impl_->stop_requested = true;
  if (!impl_->running) return;
  // A stop that comes before the server is listening is lost inside the
  // library: repeat it until Run has returned.
  do {
    impl_->http.stop();
  } while (!impl_->finished.Wait(kStopRetryMs));
}

}  // namespace kv
