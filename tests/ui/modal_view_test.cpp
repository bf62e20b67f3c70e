// Message boxes, questions and the progress view without a window: the
// dialog layout by hand for portrait, landscape, large and tiny windows,
// word wrap, the answers to keys and taps, painting, and the runner that
// routes input to the newest view.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "ui/dialog_layout.h"
#include "ui/message_box.h"
#include "ui/modal_runner.h"
#include "ui/progress_view.h"
#include "ui/text_wrap.h"
#include "ui/timer_content.h"

namespace kv::ui {
namespace {

using R = ModalResult;

TEST(DialogLayout, ByHandAndTextAboveButtons) {
  const struct {
    int32_t w, h, lines, buttons;
    bool bar;
    Rect frame, text, bar_rect, left, right;
    int32_t shown;
  } cases[] = {
      // clang-format off
      // line 480/16 = 30, pad 15, buttons 60 high, (450 - 45) / 2 = 202 wide, one centred.
      {480, 640, 1, 1, false, {15, 252, 450, 135}, {30, 267, 420, 30}, {}, {139, 312, 202, 60},
       {}, 1},
      // Landscape: 4/3 of 480 = 640 wide, not the whole 800.
      {800, 480, 2, 2, false, {80, 157, 640, 165}, {95, 172, 610, 60}, {}, {95, 247, 297, 60},
       {408, 247, 297, 60}, 2},
      // line 67, pad 33; the bar a line high below the text.
      {1920, 1080, 1, 1, true, {240, 340, 1440, 400}, {273, 373, 1374, 67},
       {273, 473, 1374, 67}, {625, 573, 670, 134}, {}, 1},
      // Smallest line 10: of 20 rows asked, (120 - 10 - 35) / 10 = 7 fit.
      {160, 120, 20, 2, false, {5, 7, 150, 105}, {10, 12, 140, 70}, {}, {10, 87, 67, 20},
       {83, 87, 67, 20}, 7},
      // clang-format on
  };
  for (const auto& c : cases) {
    const DialogLayout d = LayOutDialog(c.w, c.h, c.lines, c.buttons, c.bar);
    EXPECT_EQ(d.frame, c.frame) << c.w;
    EXPECT_EQ(d.text, c.text) << c.w;
    EXPECT_EQ(d.bar, c.bar_rect) << c.w;
    EXPECT_EQ(d.buttons[0], c.left) << c.w;
    EXPECT_EQ(d.buttons[1], c.right) << c.w;
    EXPECT_EQ(d.lines, c.shown) << c.w;
    for (int32_t lines : {0, 1, 3, 50}) {
      const DialogLayout e = LayOutDialog(c.w, c.h, lines, 2, true);
      EXPECT_LE(e.text.y + e.text.h, e.bar.y) << c.w << " " << lines;
      EXPECT_LE(e.bar.y + e.bar.h, e.buttons[0].y) << c.w << " " << lines;
      EXPECT_LE(e.buttons[0].x + e.buttons[0].w, e.buttons[1].x) << c.w;
      EXPECT_LE(e.buttons[1].y + e.buttons[1].h, e.frame.y + e.frame.h) << c.w;
      EXPECT_TRUE(e.frame.y >= 0 && e.frame.y + e.frame.h <= c.h) << c.w << " " << lines;
    }
  }
}

TEST(TextWrap, WordsLinesAndCharacters) {
  // One pixel per byte: a two-byte letter is two pixels wide.
  const TextMeasure bytes = [](std::string_view s) { return static_cast<int32_t>(s.size()); };
  const struct {
    std::string text;
    int32_t width;
    std::vector<std::string> lines;
  } cases[] = {
      {"Could not download tracks index.", 15, {"Could not", "download tracks", "index."}},
      {"a   b", 9, {"a b"}},
      {"abcdefghij", 4, {"abcd", "efgh", "ij"}},
      {"x abcdefghij", 4, {"x", "abcd", "efgh", "ij"}},
      {"\xC3\xA4\xC3\xA4\xC3\xA4", 3, {"\xC3\xA4", "\xC3\xA4", "\xC3\xA4"}},  // never inside "ä"
      {"ab", 0, {"a", "b"}},
      {"Yes\r\n\nNo\n", 20, {"Yes", "", "No"}},
      {"", 10, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(WrapText(c.text, c.width, bytes), c.lines) << c.text;
}

std::unique_ptr<ModalView> Make(int kind, const char16_t* text = u"Saved.") {
  if (kind == 0) return std::make_unique<MessageBox>(WideString(text));
  if (kind == 1) return std::make_unique<YesNoQuestion>(WideString(text));
  return std::make_unique<ProgressView>(WideString(text));
}

TEST(ModalView, KeysPerKind) {
  platform::Canvas canvas(480, 640);
  const struct {
    uint32_t key;
    R message, question, progress;
  } cases[] = {
      {kKeyEnter, R::kOk, R::kYes, R::kNone},   {kKeyEscape, R::kOk, R::kNo, R::kCancel},
      {kKeySoft1, R::kOk, R::kYes, R::kCancel}, {kKeySoft2, R::kOk, R::kNo, R::kCancel},
      {'y', R::kNone, R::kYes, R::kNone},       {'N', R::kNone, R::kNo, R::kNone},
      {'q', R::kNone, R::kNone, R::kNone},      {kKeySoft3, R::kNone, R::kNone, R::kNone},
  };
  for (const auto& c : cases) {
    const R expected[] = {c.message, c.question, c.progress};
    for (int kind = 0; kind < 3; ++kind) {
      auto view = Make(kind);
      EXPECT_EQ(view->Key(c.key), R::kNone) << "not yet shown: " << c.key;
      view->Paint(canvas);
      EXPECT_EQ(view->Key(c.key), expected[kind]) << kind << " " << c.key;
    }
  }
}

TEST(ModalView, TapsHitTheButtonsOnly) {
  const struct {
    int kind, w, h, x, y;
    R result;
  } cases[] = {
      {0, 480, 640, 139, 312, R::kOk},   {0, 480, 640, 340, 371, R::kOk},  // corners of OK
      {0, 480, 640, 341, 340, R::kNone}, {0, 480, 640, 200, 311, R::kNone},
      {1, 800, 480, 95, 232, R::kYes},   {1, 800, 480, 391, 291, R::kYes},  // y 172 + 135 - 75
      {1, 800, 480, 392, 260, R::kNone}, {1, 800, 480, 408, 260, R::kNo},   // the gap, then No
      {1, 800, 480, 705, 260, R::kNone}, {1, 800, 480, 10, 10, R::kNone},
      {2, 160, 120, 46, 65, R::kCancel},  // tiny: dialog 30..90 with its bar, button 67 wide
      {2, 160, 120, 45, 65, R::kNone},
  };
  for (const auto& c : cases) {
    platform::Canvas canvas(c.w, c.h);
    auto view = Make(c.kind);
    view->Paint(canvas);
    EXPECT_EQ(view->Tap(c.x, c.y), c.result) << c.kind << " at " << c.x << "," << c.y;
  }
}

TEST(ProgressView, PercentCancelOnceAndPaint) {
  ProgressView p(WideString(u"Uploading..."));
  const int32_t cases[][3] = {{0, 0, -1},    {5, 10, 50}, {1, 3, 33},
                              {15, 10, 100}, {-3, 10, 0}, {2147483647, 2147483647, 100}};
  for (const auto& c : cases) {
    p.SetProgress(c[0], c[1]);
    EXPECT_EQ(p.Percent(), c[2]) << c[0] << "/" << c[1];
  }
  platform::Canvas canvas(480, 640);
  canvas.Fill(0xFFFFFF);
  p.SetProgress(1, 4);
  p.Paint(canvas);
  ASSERT_EQ(canvas.FontError(), 0) << "DejaVu Sans (fonts-dejavu-core) is installed";
  const DialogLayout& d = p.Layout();
  EXPECT_NE(canvas.Pixel(d.bar.x + 3, d.bar.y + 3), 0xFFFFFFu) << "a quarter filled";
  EXPECT_EQ(canvas.Pixel(d.bar.x + d.bar.w - 4, d.bar.y + 3), 0xFFFFFFu);
  EXPECT_EQ(canvas.Pixel(d.buttons[0].x + 3, d.buttons[0].y + 3), kButtonFace);
  const int32_t x = d.buttons[0].x + 5, y = d.buttons[0].y + 5;
  EXPECT_EQ(p.Tap(x, y), R::kCancel);
  EXPECT_EQ(p.Tap(x, y), R::kNone) << "answered once";
  EXPECT_EQ(p.Key(kKeyEscape), R::kNone);
  EXPECT_TRUE(p.Cancelled());
  p.Paint(canvas);
  EXPECT_EQ(canvas.Pixel(x, y), kDisabledButtonFace) << "the cancelled view shows it";
}

// Over a white screen: the screen dimmed around the dialog, the buttons in
// their colours, and a long question on more than one row.
TEST(ModalView, PaintsDimmedWrappedAndButtons) {
  platform::Canvas canvas(480, 640);
  canvas.Fill(0xFFFFFF);
  YesNoQuestion q(
      WideString(u"Do you want to overwrite existing 'Circuit de Spa-Francorchamps "
                 u"(Grand Prix layout, 2007 onwards)'?"));
  q.Paint(canvas);
  const DialogLayout& d = q.Layout();
  const uint32_t dimmed = canvas.Pixel(2, 2);
  EXPECT_TRUE(dimmed < 0xB0B0B0 && dimmed > 0x808080 && (dimmed >> 16) == (dimmed & 0xFF))
      << std::hex << dimmed;
  EXPECT_EQ(canvas.Pixel(d.frame.x + d.frame.w / 2, d.frame.y + 3), kDialogFace);
  EXPECT_EQ(canvas.Pixel(d.buttons[0].x + 3, d.buttons[0].y + 3), kDefaultButtonFace);
  EXPECT_EQ(canvas.Pixel(d.buttons[1].x + 3, d.buttons[1].y + 3), kButtonFace);
  ASSERT_GT(d.lines, 1);
  int dark = 0;  // text on the second row
  for (int32_t y = d.text.y + d.line; y < d.text.y + 2 * d.line; ++y)
    for (int32_t x = d.text.x; x < d.text.x + d.text.w; ++x) dark += canvas.Pixel(x, y) < 0x404040;
  EXPECT_GT(dark, 20);
}

TEST(ModalRunner, NewestTakesInputAndCallbacksMayShowOrClose) {
  platform::Canvas canvas(480, 640);
  ModalRunner runner;
  std::vector<R> answers;
  EXPECT_FALSE(runner.Key(kKeyEnter)) << "no modal view: the screen's key";
  const ModalView* progress = nullptr;
  progress = &runner.Show(Make(2), [&](R r) {
    answers.push_back(r);
    runner.Close(*progress);  // as the transfer's owner does once its worker stopped
  });
  runner.Show(Make(1), [&](R r) {
    answers.push_back(r);
    runner.Show(Make(0), [&](R r) { answers.push_back(r); });
  });
  runner.Paint(canvas);
  EXPECT_TRUE(runner.Tap(0, 0)) << "taken, though beside the buttons";
  EXPECT_TRUE(runner.Key('n'));  // the question, not the progress view under it
  runner.Paint(canvas);
  EXPECT_TRUE(runner.Key(kKeyEscape));  // the message shown by the answer
  EXPECT_TRUE(runner.Key(kKeyEscape));  // now the progress view
  EXPECT_EQ(answers, (std::vector<R>{R::kNo, R::kOk, R::kCancel}));
  EXPECT_FALSE(runner.Active());
}

}  // namespace
}  // namespace kv::ui
