// The track library server on loopback, spoken to with the exact bytes the
// library client sends: what it serves, what it refuses, and what an upload
// leaves in the folder.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "online/library_server.h"
#include "platform/thread.h"
#include "support/raw_http.h"
#include "support/temp_folder.h"

namespace kv {
namespace {

using testing::BodyOf;
using testing::GetRequest;
using testing::RawExchange;
using testing::ReadWholeFile;
using testing::StatusOf;
using testing::WriteWholeFile;

const std::string kTrack = ReadWholeFile("data/demo/Demo circuit-track.bin");
// What an upload of a track adds after its description: its start line.
const std::string kStart = ";50.4362805,5.9720000\r\n";
// CR LF and LF lines, bytes that are not UTF-8, a last line without an end.
const std::string kIndex =
    "demo-track.bin;Demo/Demo circuit;The demo\r\nx.bin;Caf\xE9/\xFF;odd\nlost;A/B;C";

// The form as the client builds it: quotes in text values doubled.
std::string Upload(const std::string& name, const std::string& email,
                   const std::string& description, const std::string& bytes) {
  const auto quoted = [](const std::string& text) {
    std::string out;
    for (const char c : text) out.append(c == '"' ? 2 : 1, c);
    return out;
  };
  const std::string part = "--KORVATINEL-MULTIPART-ID\r\nContent-Disposition: form-data; name=\"";
  const std::string body =
      part + "email\"\r\n\r\n" + quoted(email) + "\r\n" + part + "description\"\r\n\r\n" +
      quoted(description) + "\r\n" + part + "attachment\"; filename=\"" + quoted(name) +
      "\"\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: binary\r\n\r\n" +
      bytes + "\r\n--KORVATINEL-MULTIPART-ID--\r\n";
  return "POST /automatic/tracks/send.php HTTP/1.0\r\nContent-Type: multipart/form-data; "
         "boundary=KORVATINEL-MULTIPART-ID\r\nUser-Agent: Korvatinel/1.25/PSPC\r\nX-Korvatinel-ID: "
         "test\r\n"
         "Host: localhost\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

class LibraryServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteWholeFile(dir_.Path() + "index.txt", kIndex);
    WriteWholeFile(dir_.Path() + "demo-track.bin", kTrack);
    for (const char* hidden : {".secret", "x.new~"}) WriteWholeFile(dir_.Path() + hidden, "x");
    port_ = server_.Bind("127.0.0.1", 0);
    ASSERT_GT(port_, 0);
    thread_ = std::make_unique<platform::Thread>([this] { server_.Run(); });
  }
  void TearDown() override {
    server_.Stop();
    EXPECT_TRUE(thread_->Join(15000));
  }
  std::string Get(const std::string& name) {
    return RawExchange(port_, GetRequest("/automatic/tracks/" + name));
  }
  std::string Index() const { return ReadWholeFile(dir_.Path() + "index.txt"); }

  testing::TempFolder dir_;
  LibraryFolder folder_{dir_.Path()};
  LibraryServer server_{folder_};
  int port_ = 0;
  std::unique_ptr<platform::Thread> thread_;
};

TEST_F(LibraryServerTest, ServesTheIndexAndFilesByteForByteAndRefusesNamesOutsideTheFolder) {
  const struct {
    const char* path;  // after the library's base path
    int status;
    std::string body;
  } cases[] = {
      {"index.php", 200, kIndex},
      {"demo-track.bin", 200, kTrack},
      {"../index.txt", 400, ""},       // a parent folder, as sent
      {"..%2Fetc%2Fpasswd", 400, ""},  // ... and percent-encoded
      {"%2E%2E", 400, ""},
      {"a%5Cb", 400, ""},                  // a backslash
      {"demo-track.bin%00.txt", 400, ""},  // NUL
      {"demo%0Atrack.bin", 400, ""},       // a line end
      {".secret", 404, ""},                // hidden files are never served
      {"x.new~", 404, ""},                 // nor a rewrite's temporary
      {"missing.bin", 404, ""},
      {"", 400, ""},
  };
  for (const auto& c : cases) {
    const std::string reply = Get(c.path);
    EXPECT_EQ(StatusOf(reply), c.status) << c.path;
    if (c.status == 200) {
      EXPECT_EQ(BodyOf(reply), c.body) << c.path;
    }
  }
  EXPECT_EQ(StatusOf(RawExchange(port_, GetRequest("/automatic/index.php"))), 404);
  EXPECT_EQ(BodyOf(Get("index.php")), kIndex);  // still serving
}

TEST_F(LibraryServerTest, RefusedUploadsLeaveTheFolderAsItWasAndTheServerServing) {
  const std::string good = Upload("Spa", "a@b.c", "Fast", kTrack);
  const struct {
    const char* legend;
    std::string request;
    int status;
  } cases[] = {
      {"a track file larger than 64 KiB",
       Upload("Spa", "a@b.c", "Fast", kTrack + std::string(70000, '\0')), 413},
      {"a body larger than any form",
       good.substr(0, good.find("Content-Length")) + "Content-Length: 200000\r\n\r\n" +
           std::string(200000, 'x'),
       413},
      {"not a track profile", Upload("Spa", "a@b.c", "Fast", "\x02\0\0\0garbage"), 400},
      {"a cut track profile", Upload("Spa", "a@b.c", "Fast", kTrack.substr(0, kTrack.size() - 3)),
       400},
      {"no description", Upload("Spa", "a@b.c", " ", kTrack), 400},
      {"no e-mail address", Upload("Spa", "", "Fast", kTrack), 400},
      {"no track name", Upload("\t ", "a@b.c", "Fast", kTrack), 400},
      {"the closing boundary missing", good.substr(0, good.size() - 4) + "XX\r\n", 400},
      {"no form at all",
       "POST /automatic/tracks/send.php HTTP/1.0\r\nContent-Length: 4\r\n\r\nabcd", 400},
  };
  for (const auto& c : cases) {
    const std::string reply = RawExchange(port_, c.request);
    EXPECT_EQ(StatusOf(reply), c.status) << c.legend;
    EXPECT_EQ(BodyOf(reply).find("Success."), std::string::npos) << c.legend;
  }
  EXPECT_EQ(Index(), kIndex);
  EXPECT_EQ(ReadWholeFile(dir_.Path() + "Spa-track.bin"), "");
  EXPECT_EQ(BodyOf(Get("demo-track.bin")), kTrack);
}

TEST_F(LibraryServerTest, UploadsAreAddedUnderNewNamesAndListedInTheIndex) {
  const std::string first =
      RawExchange(port_, Upload("Sp\xC3\xA4 \"GP\"", "a@b.c", "Fast; \"flowing\"\r\nnew", kTrack));
  EXPECT_EQ(StatusOf(first), 200);
  EXPECT_EQ(BodyOf(first), "Success.\r\n");
  const std::string second_track = kTrack.substr(0, 4) + std::string(2, '\x01') + kTrack.substr(6);
  EXPECT_EQ(BodyOf(RawExchange(port_, Upload("Sp\xC3\xA4 \"GP\"", "b@c.d", "Again", second_track))),
            "Success.\r\n");
  EXPECT_EQ(BodyOf(RawExchange(port_, Upload("A/B\\C", "b@c.d", "Slashes", kTrack))),
            "Success.\r\n");
  // A second upload of a name never replaces the first: anyone may upload.
  EXPECT_EQ(Index(), kIndex + "\r\n" +
                         "Sp_GP-track.bin;Uploads/Sp\xC3\xA4 \"GP\";Fast, \"flowing\" new" + kStart +
                         "Sp_GP-2-track.bin;Uploads/Sp\xC3\xA4 \"GP\";Again" + kStart +
                         "A_B_C-track.bin;Uploads/A-B-C;Slashes" + kStart);
  EXPECT_EQ(BodyOf(Get("Sp_GP-track.bin")), kTrack);
  EXPECT_EQ(BodyOf(Get("Sp_GP-2-track.bin")), second_track);
}

TEST_F(LibraryServerTest, UploadsAtTheSameMomentEachGetTheirOwnFileAndLine) {
  std::vector<std::unique_ptr<platform::Thread>> uploads;
  for (int i = 0; i < 4; ++i)
    uploads.push_back(std::make_unique<platform::Thread>(
        [this] { RawExchange(port_, Upload("Same", "a@b.c", "Race", kTrack)); }));
  for (auto& upload : uploads) EXPECT_TRUE(upload->Join(15000));
  std::string lines;
  for (const char* file : {"Same", "Same-2", "Same-3", "Same-4"}) {
    EXPECT_EQ(BodyOf(Get(std::string(file) + "-track.bin")), kTrack) << file;
    lines += std::string(file) + "-track.bin;Uploads/Same;Race" + kStart;
  }
  EXPECT_EQ(Index(), kIndex + "\r\n" + lines);
}

TEST(LibraryFolderText, IndexFieldsStayOneFieldOnOneLine) {
  const struct {
    std::string in;
    bool path_safe;
    std::string out;
  } cases[] = {
      {"  a;b\tc  ", false, "a,b c"},
      {"x/y\\z", true, "x-y-z"},
      {"x/y", false, "x/y"},
      {"ok\xFF\xE2\x80\xA8!", false, "ok\xEF\xBF\xBD !"},  // ill-formed, U+2028
      {std::string(300, 'a') + "\xC3\xA4", false, std::string(200, 'a')},
      {std::string(199, 'a') + "\xC3\xA4", false, std::string(199, 'a')},  // never half a character
  };
  for (const auto& c : cases) EXPECT_EQ(IndexText(c.in, c.path_safe), c.out) << c.in;
  EXPECT_EQ(TrackFileStem("\xC3\xA4\xC3\xB6"), "track");
  EXPECT_EQ(UndoubleQuotes("a\"\"b\"c\"\"\"\""), "a\"b\"c\"\"");
}

}  // namespace
}  // namespace kv
