// `korvatinel library`: the track library's client (list, download,
// upload) and its server for a club's folder of tracks (serve).
#include <iostream>
#include <sstream>

#include "app/argument_checks.h"
#include "app/command_list.h"
#include "app/library_client.h"
#include "online/library_server.h"
#include "platform/event.h"
#include "platform/file_io.h"
#include "platform/termination.h"
#include "platform/thread.h"

namespace kv::app {

namespace {

constexpr int kDefaultPort = 8080;
constexpr int32_t kStopWaitMs = 15000;

struct ServeOptions {
  std::string folder;
  std::string address = "127.0.0.1";
  int port = kDefaultPort;
};

std::string BaseUrl(const std::string& address, int port) {
  const bool ipv6 = address.find(':') != std::string::npos;
  return "http://" + (ipv6 ? "[" + address + "]" : address) + ":" + std::to_string(port) +
         std::string(kLibraryPath);
}

int RunServe(const ServeOptions& options, std::ostream& out, std::ostream& err) {
  if (!platform::DirectoryExists(options.folder)) {
    err << "No such folder: " << options.folder << '\n';
    return 1;
  }
  LibraryFolder folder(options.folder);
  // Uploads are reported from the server's threads: one write per line.
  LibraryServer server(
      folder, [&out](const std::string& file, const std::string& name, const std::string& email) {
        std::ostringstream line;
        line << "Added '" << name << "' as " << file << " (from " << email << ")\n";
        out << line.str() << std::flush;
      });
  const int port = server.Bind(options.address, options.port);
  if (port < 0) {
    err << "Cannot listen on " << options.address << " port " << options.port
        << " (in use, or an address of another machine).\n";
    return 1;
  }
  platform::Event stop;
  platform::TerminationSignals signals(stop);
  bool served = true;
  platform::Thread thread([&] {
    served = server.Run();
    stop.Set();
  });
  out << "Serving the track library in " << folder.Folder() << " at "
      << BaseUrl(options.address, port) << " (Ctrl-C ends)\n"
      << std::flush;
  stop.Wait(-1);
  server.Stop();
  thread.Join(kStopWaitMs);
  if (!served) err << "The server stopped with an error.\n";
  return served ? 0 : 1;
}

}  // namespace

void AddLibraryCommands(CLI::App& cli, const GlobalOptions& globals, CommandList& commands) {
  CLI::App* library =
      cli.add_subcommand("library", "Share track profiles through a track library server");
  library->require_subcommand(1);
  AddLibraryClientCommands(*library, globals, commands);
  auto options = std::make_shared<ServeOptions>();
  CLI::App* serve = library->add_subcommand(
      "serve",
      "Serve a folder of tracks (index.txt and the track files) and accept uploads into it");
  serve->add_option("DIR", options->folder, "The library folder")->required()->check(NotEmpty());
  serve->add_option("--port", options->port, "TCP port (0: any free one; default 8080)")
      ->check(WholeWithin(0, 65535));
  serve
      ->add_option("--bind", options->address,
                   "Address to listen on (default 127.0.0.1; 0.0.0.0 for every one)")
      ->check(NotEmpty());
  commands.Add(serve, [options] { return RunServe(*options, std::cout, std::cerr); });
}

}  // namespace kv::app
