// The client against a scripted server on loopback (http_script_server.py,
// beside this file), with the main loop's part played by Pump.
#include "online/http_client.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "support/script_child.h"
#include "support/temp_folder.h"

namespace kv {
namespace {

class ScriptServer : public test::ScriptChild {
 public:
  explicit ScriptServer(std::vector<std::string> options)
      : ScriptChild("tests/online/http_script_server.py", std::move(options)) {}
  std::string Server() const { return "127.0.0.1:" + FirstLine(); }
};

std::string Hex(std::string_view bytes) {
  std::string hex;
  for (const unsigned char b : bytes)
    hex += "0123456789abcdef"[b >> 4], hex += "0123456789abcdef"[b & 15];
  return hex;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int32_t ThreadCount() {
  const auto tasks = std::filesystem::directory_iterator("/proc/self/task");
  return static_cast<int32_t>(std::distance(begin(tasks), end(tasks)));
}

struct Fakes final : AppHost, HttpOwner, HttpListener {
  int32_t GetProcessId() const override { return 1; }
  void RegisterWaitable(WaitableObject*) override {}
  void UnregisterWaitable(WaitableObject*) override {}
  WideString DeviceId() const override { return WideString(u"dev-\u00e9"); }
  void ShowBusy(std::u16string_view text, HttpCancel&) override { busy = std::u16string(text); }
  void CloseBusy() override { busy.reset(); }
  void ShowError(std::u16string_view text) override { errors.emplace_back(text); }
  void OnSuccess(std::string_view b, const HttpMessage&) override { results += "S", body = b; }
  void OnFailure() override { results += "F"; }
  void OnCancelled() override { results += "C"; }

  std::optional<std::u16string> busy;
  std::vector<std::u16string> errors;
  std::string results, body;
};

// What the main loop does for the client, until the request has ended.
void Pump(HttpClient& client) {
  while (client.State() == RequestState::kRunning) {
    ASSERT_TRUE(client.WakeEvent().Wait(20000)) << "no result";
    if (client.TakePending()) client.Signalled();
  }
}

constexpr std::string_view kOk = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nhello\r\n";

TEST(HttpClient, DeliversEachKindOfReplyOnce) {
  struct Case {
    const char* legend;
    std::vector<std::string> server;
    const char* results;
    std::string body = "";
    std::string url = "/automatic/tracks/index.php";
  };
  const std::string odd("HTTP/1.0 200 OK\r\n\r\n\xff\xfe;x/y;\x80\0\r\n", 29);
  const Case cases[] = {
      {"200, headers and a body", {"--reply", Hex(kOk)}, "S", "hello\r\n"},
      {"byte by byte", {"--reply", Hex(kOk), "--pace", "2"}, "S", "hello\r\n"},
      {"bytes that are not UTF-8", {"--reply", Hex(odd)}, "S", odd.substr(19)},
      {"404", {"--reply", Hex("HTTP/1.0 404 Not Found\r\n\r\nhello")}, "F"},
      {"status line with one space", {"--reply", Hex("HTTP/1.0 200\r\n\r\nhello")}, "F"},
      {"closes before the blank line", {"--reply", Hex("HTTP/1.0 200 OK\r\nA: b\r\n")}, "F"},
      {"closes without a reply", {}, "F"},
      {"resets after the reply", {"--reply", Hex(kOk), "--reset"}, "F"},
      {"no slash after the server", {}, "F", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    ScriptServer server(c.server);
    Fakes fakes;
    HttpClient client(fakes, fakes);
    ASSERT_TRUE(client.EstablishConnection(server.Server()));
    ASSERT_TRUE(client.Get("http://" + server.Server() + c.url, u"Wait", &fakes));
    EXPECT_EQ(fakes.busy, u"Wait");
    EXPECT_FALSE(client.Get("http://" + server.Server() + c.url, u"Again", &fakes))
        << "one at a time";
    Pump(client);
    EXPECT_EQ(fakes.results, c.results);
    EXPECT_EQ(fakes.body, c.body);
    EXPECT_FALSE(fakes.busy.has_value());
  }
}

TEST(HttpClient, SendsTheRequestBytesExactly) {
  testing::TempFolder folder;
  const std::string record = folder.Path() + "request";
  ScriptServer server({"--reply", Hex(kOk), "--record", record});
  Fakes fakes;
  HttpClient client(fakes, fakes);
  ASSERT_TRUE(client.EstablishConnection(server.Server()));
  ASSERT_TRUE(client.Get("HTTP://" + server.Server() + "/automatic/tracks/index.php", u"", &fakes));
  Pump(client);
  std::string content;  // past one send chunk, with quotes and every byte value
  for (int i = 0; i < 3000; ++i) content += static_cast<char>(i * 7);
  client.BeginForm();
  client.AddFieldPart("email", u"a\"b@\u00e9.example");
  client.AddFilePart("attachment", u"Spa \"GP\"", content);
  ASSERT_TRUE(client.Post("http://" + server.Server() + "/automatic/tracks/send.php", u"", &fakes));
  Pump(client);
  EXPECT_EQ(fakes.results, "SS");

  const std::string common =
      "User-Agent: Korvatinel/1.25/PSPC\r\nX-Korvatinel-ID: dev-\xc3\xa9\r\nHost: " +
      server.Server() + "\r\nContent-Length: ";
  const std::string body =
      "--KORVATINEL-MULTIPART-ID\r\nContent-Disposition: form-data; name=\"email\"\r\n\r\n"
      "a\"\"b@\xc3\xa9.example\r\n"
      "--KORVATINEL-MULTIPART-ID\r\nContent-Disposition: form-data; name=\"attachment\"; "
      "filename=\"Spa \"\"GP\"\"\"\r\nContent-Type: application/octet-stream\r\n"
      "Content-Transfer-Encoding: binary\r\n\r\n" +
      content + "\r\n--KORVATINEL-MULTIPART-ID--\r\n";
  EXPECT_EQ(ReadFile(record),
            "GET /automatic/tracks/index.php HTTP/1.0\r\n" + common + "0\r\n\r\n" +
                "POST /automatic/tracks/send.php HTTP/1.0\r\n"
                "Content-Type: multipart/form-data; boundary=KORVATINEL-MULTIPART-ID\r\n" +
                common + std::to_string(body.size()) + "\r\n\r\n" + body);
}

// The user cancels while a slow server is still sending: one OnCancelled,
// no worker left, and the next request runs as usual.
TEST(HttpClient, CancelEndsTheWaitAndLeavesNoThreadBehind) {
  testing::TempFolder folder;
  const std::string record = folder.Path() + "request";
  ScriptServer slow({"--reply", Hex(kOk), "--pace", "500", "--record", record});
  ScriptServer quick({"--reply", Hex(kOk)});
  Fakes fakes;
  HttpClient client(fakes, fakes);
  ASSERT_TRUE(client.EstablishConnection(slow.Server()));
  ASSERT_TRUE(client.Get("http://" + quick.Server() + "/", u"", &fakes));
  Pump(client);
  const int32_t threads = ThreadCount();  // after one worker: sanitizers start threads of their own
  for (const bool release : {false, true}) {
    ASSERT_TRUE(client.Get("http://" + slow.Server() + "/", u"Wait", &fakes));
    for (int i = 0; i < 1000 && ReadFile(record).size() < 40; ++i) usleep(10000);
    std::filesystem::remove(record);
    release ? client.ReleaseConnection() : client.Cancel();
    EXPECT_EQ(ThreadCount(), threads);
    Pump(client);
    EXPECT_FALSE(fakes.busy.has_value());
    EXPECT_EQ(client.Get("http://" + quick.Server() + "/", u"", &fakes), !release);
    Pump(client);
  }
  EXPECT_EQ(fakes.results, "SCSC") << "cancelled, the next request, released";
}

TEST(HttpClient, WithoutARouteNothingStarts) {
  Fakes fakes;
  HttpClient client(fakes, fakes);
  EXPECT_FALSE(client.Get("http://127.0.0.1/", u"", &fakes)) << "not connected";
  for (const char* server : {"no-such-host.invalid", "host:99999", "[::1"}) {
    EXPECT_FALSE(client.EstablishConnection(server));
  }
  ASSERT_EQ(fakes.errors.size(), 3u);
  EXPECT_EQ(fakes.errors[0], u"Cannot create session. Error: 113");
  EXPECT_TRUE(fakes.results.empty());
  ASSERT_TRUE(client.EstablishConnection("127.0.0.1:1"));  // a route, but nobody listens
  ASSERT_TRUE(client.Get("http://127.0.0.1:1/", u"", &fakes));
  Pump(client);
  EXPECT_EQ(fakes.results, "F");
}

}  // namespace
}  // namespace kv
