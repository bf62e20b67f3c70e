// LibraryServer: the track library over HTTP, for the library client of
// this program (HTTP/1.0, one request per connection, the body read to the
// close) and for any browser or curl:
//   GET  /automatic/tracks/index.php  the folder's index.txt (200, an empty
//                                     body when there is none yet)
//   GET  /automatic/tracks/FILE       a file of the folder (200), 400 for a
//                                     name that could leave the folder, 404
//                                     for one that is not there
//   POST /automatic/tracks/send.php   multipart/form-data with the fields
//                                     "email", "description" and the file
//                                     part "attachment" whose file name is
//                                     the track's name: 200 and the body
//                                     "Success." CR LF when stored; 400,
//                                     413 or 500 with one line saying why.
// Everything else is 404. Requests larger than the track limit plus the
// form's overhead are refused with 413 before they are read.
// Bind, then Run on one thread; Stop from any other (also after a signal).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "online/library_folder.h"
#include "online/track_index.h"

namespace kv {

class LibraryServer {
 public:
  // Told of each stored upload (on a server thread): the new file, the
  // track's name as listed, the uploader's e-mail address.
  using UploadLog = std::function<void(const std::string& file, const std::string& name,
                                       const std::string& email)>;

  explicit LibraryServer(LibraryFolder& folder, UploadLog log = {});
  ~LibraryServer();
  LibraryServer(const LibraryServer&) = delete;
  LibraryServer& operator=(const LibraryServer&) = delete;

  // Binds to `address` (an IPv4 or IPv6 literal or a host name) and `port`
  // (0: any free port). The bound port, or -1 when it cannot be bound.
  int Bind(const std::string& address, int port);
  // Serves until Stop; false when it could not start.
  bool Run();
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kv
