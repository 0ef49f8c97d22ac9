// What the main dialog does, without a toolkit: a fake view holds the controls' values by
// id, answers the file dialogs and runs what is posted to the UI thread.
#include <gtest/gtest.h>

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // designated rows

#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <sstream>
#include <thread>

#include "cli/CliApp.h"
#include "engine/Messages.h"
#include "platform/Encoding.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/SampleLogs.h"
#include "tests/support/TestFiles.h"
#include "ui/behaviour/CMainBehaviour.h"
#include "ui/behaviour/COptionBehaviour.h"
#include "ui/resources/ControlIds.h"
#include "ui/resources/Strings.h"

using namespace resources;
using testing_support::kTextA;
using testing_support::kTextB;
using testing_support::MessageRecorder;
using testing_support::Sjis;
using testing_support::TempDir;

namespace {

class FakeView : public behaviour::IMainView {
 public:
  struct Control {
    std::string text;
    bool bChecked = false, bEnabled = true;
    int nSelection = -1;
    std::vector<std::string> items;
  };
  mutable std::map<int, Control> controls;
  std::deque<std::vector<std::string>> answers;  // of the file dialogs
  std::map<std::string, std::string> settings;
  engine::COptionValues options;
  bool bOptionsOk = true;   // the options dialog left with OK
  std::string strDialogAt;  // where the last file dialog opened
  std::atomic<int> nPosted{0};

  std::string Text(int id) const override {
    const Control& c = controls[id];
    return id == kIdSeparator && c.nSelection >= 0 ? c.items[c.nSelection] : c.text;
  }
  void SetText(int id, const std::string& text) override { controls[id].text = text; }
  bool IsChecked(int id) const override { return controls[id].bChecked; }
  void SetChecked(int id, bool b) override { controls[id].bChecked = b; }
  int Selection(int id) const override { return controls[id].nSelection; }
  void SetSelection(int id, int n) override { controls[id].nSelection = n; }
  void SetItems(int id, const std::vector<std::string>& items) override {
    controls[id].items = items;
  }
  void Enable(int id, bool b) override { controls[id].bEnabled = b; }
  void Focus(int) override {}
  void Post(std::function<void()> task) override {
    std::lock_guard lock(m_mutex);
    m_tasks.push_back(std::move(task));
    ++nPosted;
  }
  void SetTimer(int, int) override {}
  void SetProgress(int id, int value) override { controls[id].nSelection = value; }
  std::vector<std::string> ChooseInputs(const std::string& at) override {
    strDialogAt = at;
    if (answers.empty()) return {};
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::string ChooseOutput(const std::string& at) override {
    const auto answer = ChooseInputs(at);
    return answer.empty() ? std::string() : answer.front();
  }
  std::string Setting(const std::string& key) const override {
    return settings.count(key) ? settings.at(key) : std::string();
  }
  void SetSetting(const std::string& key, const std::string& value) override {
    settings[key] = value;
  }
  void WaitUntil(const std::function<bool()>& done) override {
    while (!done()) RunPosted();
  }
  const engine::COptionValues& OptionValues() const override { return options; }
  bool ShowOptions() override { return bOptionsOk; }
  void ShowPreview() override {}
  void PreviewChanged() override {}
  void ShowAbout() override {}
  std::string DefaultOutputPath() const override { return "default.html"; }

  // Runs what other threads posted, waiting a little for it when there is none.
  void RunPosted() {
    std::unique_lock lock(m_mutex);
    if (m_tasks.empty()) {
      lock.unlock();
      return std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto task = std::move(m_tasks.front());
    m_tasks.pop_front();
    lock.unlock();
    task();
  }

 private:
  std::mutex m_mutex;
  std::deque<std::function<void()>> m_tasks;
};

struct Fixture {
  TempDir dir;
  FakeView view;
  behaviour::CMainBehaviour dlg{view};
  Fixture() { dlg.OnInitDialog(); }
  std::string File(char name) const { return dir.File(std::string(1, name) + ".html"); }
};

// Steps, one letter each: on the list, a file dialog answering a, b or c ("+abc"), a row
// selected ("1"), delete ("d"), up ("u"), down ("n"); on the separator field, an item picked
// ("s" and its number), "abc" typed ("t"), a text of 1,024 or 1,025 characters typed ("k",
// "K"). Then the rows as letters ("-": the placeholder), the selected row, whether the
// separator is a string of the user's, the kind chosen and a "!" for each text refused.
TEST(MainBehaviour, ListAndSeparatorSteps) {
  const struct {
    const char *steps, *shown;
  } rows[] = {{"", "- -1 00"},
              {"+ab+", "ab 1 00"},
              {"+abc1d", "ac 1 00"},
              {"+abc2d", "ab 1 00"},
              {"+abc0ddd+b", "b 0 00"},
              {"0dun", "- 0 00"},
              {"+abc0u2n1u", "bac 0 00"},
              {"+abc0n", "bac 1 00"},
              {"+abc1n", "acb 2 00"},
              {"t", "- -1 10"},
              {"s2t", "- -1 12"},
              {"ts1", "- -1 11"},
              {"s3", "- -1 13"},
              {"kK", "- -1 10!"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.steps);
    Fixture f;
    MessageRecorder boxes;
    const std::string steps = row.steps;
    for (std::size_t i = 0; i < steps.size(); ++i) {
      const char c = steps[i];
      if (c == '+') {
        std::vector<std::string> files;
        while (i + 1 < steps.size() && steps[i + 1] >= 'a' && steps[i + 1] <= 'c')
          files.push_back(f.File(steps[++i]));
        f.view.answers.push_back(files);
        f.dlg.OnAddInput();
      }
      if (c >= '0' && c <= '9') f.view.SetSelection(kIdInputList, c - '0');
      if (c == 'd') f.dlg.OnDelete();
      if (c == 'u') f.dlg.OnMoveUp();
      if (c == 'n') f.dlg.OnMoveDown();
      if (c == 's') {
        f.view.SetSelection(kIdSeparator, steps[++i] - '0');
        f.dlg.OnSelchangeSeparator();
      }
      if (c == 't' || c == 'k' || c == 'K') {
        // 名 counts one character.
        const std::string text = std::string(c == 'k' ? 1023 : 1024, 'x') + "\xE5\x90\x8D";
        f.view.SetSelection(kIdSeparator, -1);
        f.view.SetText(kIdSeparator, c == 't' ? "abc" : text);
        f.dlg.OnEditchangeSeparator();
      }
    }
    std::string shown;
    for (const std::string& item : f.view.controls[kIdInputList].items)
      shown += item.ends_with(".html") ? item[item.size() - 6] : '-';
    shown += " " + std::to_string(f.view.Selection(kIdInputList)) + " " +
             std::to_string(f.dlg.m_bUserSeparator) + std::to_string(f.dlg.m_nSeparatorKind);
    EXPECT_EQ(shown + std::string(boxes.Texts().size(), '!'), row.shown);
    EXPECT_EQ(f.dlg.m_astrInputPaths.size(), shown[0] == '-' ? 0u : shown.find(' '));
    for (const std::string& text : boxes.Texts()) EXPECT_EQ(text, kSeparatorTooLong);
    EXPECT_LE(f.view.Text(kIdSeparator).size(), 1026u);  // a refused text is undone
  }
}

// A run on the worker thread: editing is off while it goes on, and closing the dialog then
// asks (the answer, 0: not closed). The answer decides whether it stops, a stopped run
// leaving the old output; the dialog stays open either way. The closing message comes on
// the UI thread, the bar is empty again; folders are kept when the dialog closes. While the
// question is open the run goes on up to where it puts the output in place (or to its end,
// when nothing holds it there).
class RunBesideTheDialog : public testing::TestWithParam<int> {};

TEST_P(RunBesideTheDialog, EndsWithItsMessageOrStopsWhenAsked) {
  Fixture f;
  const std::string log = testing_support::MakeBoardLog(12u << 20);
  f.view.answers.push_back({f.dir.Write("a.html", log)});
  f.dlg.OnAddInput();
  f.view.SetText(kIdOutput, f.dir.Write("out.html", "old"));
  std::atomic<bool> bHeld{true};
  auto inner = f.dlg.m_executor.m_searcher.m_checkpoint;
  f.dlg.m_executor.m_searcher.m_checkpoint = [&, inner](std::size_t pos) {
    while (bHeld && f.dlg.m_nAbort == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return inner(pos);
  };
  std::vector<std::string> texts;
  int answer = platform::kIdYes;  // overwrite: yes
  platform::ScopedMessageSink boxes([&](const platform::Message& m) {
    texts.push_back(m.text);
    const int posted = f.view.nPosted;
    if (m.text == kAskStop) bHeld = false;
    while (m.text == kAskStop && !f.dlg.m_executor.m_commitGate.HasWaiter() &&
           f.view.nPosted == posted)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return answer;
  });
  f.dlg.OnRun();
  EXPECT_TRUE(f.dlg.IsRunning());
  EXPECT_FALSE(f.view.controls[kIdRun].bEnabled);
  answer = GetParam();
  if (GetParam()) {
    EXPECT_FALSE(f.dlg.OnClose());
  }
  bHeld = false;
  f.view.WaitUntil([&] { return !f.dlg.IsRunning(); });
  const bool bStopped = GetParam() == platform::kIdYes;
  ASSERT_EQ(texts.size(), GetParam() ? 3u : 2u);
  if (GetParam()) {
    EXPECT_EQ(texts[1], kAskStop);
  }
  EXPECT_EQ(texts.back().substr(0, texts.back().find('\n')),
            bStopped ? msg::kStopped : msg::kNormalEnd);
  EXPECT_EQ(testing_support::ReadFile(f.dir.File("out.html")), bStopped ? "old" : log);
  EXPECT_TRUE(f.view.controls[kIdRun].bEnabled);
  EXPECT_EQ(f.view.controls[kIdProgress].nSelection, 0);
  EXPECT_TRUE(f.dlg.OnClose());
  EXPECT_EQ(f.view.settings["folders/output"], f.dir.Path());
}

INSTANTIATE_TEST_SUITE_P(Answers, RunBesideTheDialog,
                         testing::Values(0, platform::kIdYes, platform::kIdNo));

// A dropped folder stands for the logs directly inside it, in name order; one without any
// is named in a message.
TEST(MainBehaviour, ADroppedFolderListsTheLogsInside) {
  Fixture f;
  for (const char* name : {"logs/b.html", "logs/a.HTM", "logs/c.txt", "logs/d/e.html", "none/x"}) {
    std::filesystem::create_directories(testing_support::PathOf(f.dir.File(name)).parent_path());
    testing_support::WriteFile(f.dir.File(name), "");
  }
  MessageRecorder boxes;
  EXPECT_TRUE(f.dlg.OnDropOnList({f.dir.File("logs"), f.dir.File("none")}));
  f.view.RunPosted();
  std::vector<std::string> names;
  for (const std::string& path : f.dlg.m_astrInputPaths)
    names.push_back(testing_support::Utf8Of(testing_support::PathOf(path).filename()));
  EXPECT_EQ(names, (std::vector<std::string>{"a.HTM", "b.html"}));
  EXPECT_EQ(boxes.Texts(),
            std::vector<std::string>{"フォルダーに HTML ファイル (*.html, *.htm) がありません\n"
                                     "フォルダー: " +
                                     f.dir.File("none")});
}

// Where the file dialogs open, after an output chosen in "out" and the files added, the
// program started again or not: at the folder (or the file) named.
TEST(MainBehaviour, FileDialogsOpenWhereTheUserWasLast) {
  const struct {
    std::vector<std::string> added;
    bool restart;
    int button;
    std::string shown;
  } rows[] = {{{}, false, kIdAddInput, "out"},
              {{"out/b.html", "in/a.html"}, false, kIdAddInput, "in"},
              {{"in/a.html"}, true, kIdAddInput, "in"},
              {{}, false, kIdBrowseOutput, "out/x.html"},
              {{}, true, kIdBrowseOutput, "out/default.html"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.shown);
    Fixture f;
    f.view.answers = {{f.dir.File("out/x.html")}, {}};
    for (const std::string& name : row.added) f.view.answers.back().push_back(f.dir.File(name));
    f.dlg.OnBrowseOutput();
    f.dlg.OnAddInput();
    std::optional<behaviour::CMainBehaviour> next;
    if (row.restart && f.dlg.OnClose()) next.emplace(f.view).OnInitDialog();
    (next ? *next : f.dlg).OnButton(row.button);
    EXPECT_EQ(testing_support::PathOf(f.view.strDialogAt).lexically_normal(),
              testing_support::PathOf(f.dir.File(row.shown)).lexically_normal());
  }
}

// Half-width katakana (ｶﾅ) and a JIS X 0212 character, which becomes 〓 with a warning.
const std::string kEuc =
    "<HTML><BODY>\xA4\xA2\x8E\xB6\x8E\xC5\xA4\xA4<HR>\x8F\xB0\xA1\xA4\xA6</BODY></HTML>";

using Options = engine::COptionValues;
using Layers = engine::LayerSet;
using Args = std::vector<std::string>;

// The messages without the folder they name files in, as given and as the system writes it.
std::string Strip(std::string text, const TempDir& dir) {
  for (const std::string& cut :
       {dir.File(""),
        testing_support::Utf8Of(testing_support::PathOf(dir.File("")).make_preferred())})
    for (std::size_t at; (at = text.find(cut)) != std::string::npos;) text.erase(at, cut.size());
  return text;
}

// The same choices made in the dialog and given to the command line: the same refusal, or
// the same bytes written. The question before a run names the encoding the first input's
// bytes say; the command line points it out instead.
TEST(MainBehaviour, RefusesOrWritesWhatTheCommandLineDoes) {
  const std::string kAskUtf8 = "「a.html」は UTF-8 のようです。UTF-8 として処理しますか？\n";
  const struct Row {
    const char* name;
    Args logs = {Sjis(kTextA), Sjis(kTextB)};  // a.html, b.html, both listed
    int item = 0;                              // of the separator combo
    const char* typed = nullptr;               // then the field's text
    bool euc = false;
    std::optional<Options> options;  // set in the options dialog
    bool optionsOk = true;
    std::string asked;  // the question before the run
    int answer = platform::kIdNo;
    Args cli;  // the options; then the files, ".html" those of its folder
    Args files = {"-o", "out.html", "a.html", "b.html"};
    int status = 0;
  } rows[] = {
      // clang-format off
      {.name = "no input", .files = {"-o", "out.html"}, .status = 2},
      {.name = "output is an input", .files = {"-o", "b.html", "a.html", "b.html"}, .status = 2},
      {.name = "item 3 without text", .item = 3, .typed = "", .cli = {"-k", "3", "-s", ""}, .status = 2},
      // Even what the options dialog changed takes no effect when it is not left with OK.
      {.name = "options cancelled", .options = Options{.m_abyReverse = Layers().set(1),
       .m_bCutOutsideRange = true, .m_bOneFile = false, .m_bSimpleHeader = true}, .optionsOk = false},
      {.name = "cuts kept in range, separator first, simple header",
       .options = Options{.m_abyReverse = Layers().set(2), .m_abyRange = Layers().set(1).set(2),
                          .m_bCutOutsideRange = true, .m_bSeparatorFirst = true, .m_nLeadCut = 1,
                          .m_bSimpleHeader = true, .m_nTrailCut = 1},
       .cli = {"--lead-cut", "1", "--trail-cut", "1", "--range", "1-2", "--keep-cut", "--order", "separator",
               "--simple-header", "-r", "2", "--between", "numbered"}},
      // The separator counts only in reversed layers, and only where it is found.
      {.name = "typed after item 2, nothing between", .item = 2, .typed = "<HR>u",
       .options = Options{.m_abyReverse = Layers().set(1), .m_bAppendSeparator = false},
       .cli = {"-k", "2", "-s", "<HR>u", "-r", "1", "--order", "body", "--between", "none"}},
      {.name = "user string only, <HR> between", .item = 3, .typed = "名前",
       .options = Options{.m_abyReverse = Layers().set(1), .m_nSeparatorStyle = 0},
       .cli = {"-k", "3", "-s", "名前", "-r", "1", "--order", "body"}},
      {.name = "EUC box, katakana separator, output per input", .logs = {kEuc, kEuc}, .typed = "ｶﾅ",
       .euc = true, .options = Options{.m_abyReverse = Layers().set(1), .m_bOneFile = false},
       .cli = {"--euc", "-s", "ｶﾅ", "--per-file", "-r", "1", "--order", "body"}, .files = {"a.html", "b.html"}},
      {.name = "UTF-8, Yes", .logs = {kTextA, kTextB}, .options = Options{.m_abyReverse = Layers().set(1)},
       .asked = kAskUtf8, .answer = platform::kIdYes,
       .cli = {"--encoding", "utf-8", "-r", "1", "--order", "body", "--between", "numbered"}},
      {.name = "UTF-8, No: the separator in Shift_JIS", .logs = {kTextA, kTextB}, .item = 3, .typed = "名前",
       .options = Options{.m_abyReverse = Layers().set(1)}, .asked = kAskUtf8,
       .cli = {"-k", "3", "-s", "名前", "-r", "1", "--order", "body", "--between", "numbered"}},
      // clang-format on
  };
  for (const Row& c : rows) {
    SCOPED_TRACE(c.name);
    Fixture f;
    TempDir cli;
    for (const TempDir* d : {&f.dir, &cli}) {
      d->Write("a.html", c.logs[0]);
      d->Write("b.html", c.logs[1]);
    }
    if (c.files.back() != "out.html") f.dlg.AddInputFiles({f.File('a'), f.File('b')});
    f.view.SetText(kIdOutput, f.dir.File(c.files[0] == "-o" ? c.files[1] : "out.html"));
    f.view.SetChecked(kIdEuc, c.euc);
    f.view.SetSelection(kIdSeparator, c.item);
    f.dlg.OnSelchangeSeparator();
    if (c.typed) {
      f.view.SetSelection(kIdSeparator, -1);
      f.view.SetText(kIdSeparator, c.typed);
      f.dlg.OnEditchangeSeparator();
    }
    if (c.options) {
      f.view.options = *c.options;
      f.view.bOptionsOk = c.optionsOk;
      f.dlg.OnOptions();
    }
    MessageRecorder boxes(c.answer);
    f.dlg.OnRun();
    f.view.WaitUntil([&] { return !f.dlg.IsRunning(); });
    std::string shown;
    for (const std::string& text : boxes.Texts()) shown += Strip(text, f.dir) + "\n";
    EXPECT_EQ(shown.substr(0, c.asked.size()), c.asked);
    shown.erase(0, c.asked.size());

    Args args = {"velmorant-cli"};
    for (const Args* part : {&c.cli, &c.files})
      for (const std::string& arg : *part)
        args.push_back(arg.ends_with(".html") ? cli.File(arg) : arg);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    std::ostringstream err;
    std::istringstream none;
    EXPECT_EQ(cli::RunCli(static_cast<int>(argv.size()), argv.data(), err, none, false,
                          platform::kNoFileHandle),
              c.status);
    // Without the lines that point out what the dialog asked.
    const std::regex hint("[^\n]*を試してください\n");
    EXPECT_EQ(shown, std::regex_replace(Strip(err.str(), cli), hint, ""));
    EXPECT_EQ(testing_support::ReadFile(f.File('b')), c.logs[1]);
    if (c.status != 0) continue;
    for (const std::string& name :
         c.files[0] == "-o" ? Args{"out.html"} : Args{"Rev_a.html", "Rev_b.html"}) {
      const std::string fromDialog = testing_support::ReadFile(f.dir.File(name));
      EXPECT_FALSE(fromDialog.empty()) << name;
      EXPECT_EQ(fromDialog, testing_support::ReadFile(cli.File(name))) << name;
    }
  }
}

// The options dialog: steps on its controls (a click, an item picked, OK, キャンセル, or a
// new showing), then the values it keeps and what it shows. Some values follow their control
// at the click; only OK keeps what a showing changed.
TEST(OptionBehaviour, KeepsWhatOkConfirms) {
  constexpr int kOpen = 0;
  struct Shown {
    int leadCut = 0, trailCut = 0;
    bool cutOutsideRange = false, simpleHeader = false, separatorFirst = false, append = true;
    int text = 1;
    bool appendEnabled = true, textEnabled = true;
    std::vector<int> toggles;  // the layer toggles that are down
    bool operator==(const Shown&) const = default;
  };
  const struct {
    const char* name;
    std::vector<std::pair<int, int>> steps;  // a control and the item picked (-1: a click)
    Options stored;
    Shown shown;
  } rows[] = {
      // clang-format off
      {"OK confirms", {{kIdLeadCut, 3}, {kIdTrailCut, 19}, {kIdSimpleHeader, -1}, {kIdSeparatorFirst, -1},
       {kIdOk, -1}, {kOpen, -1}}, {.m_bSeparatorFirst = true, .m_nLeadCut = 3, .m_bSimpleHeader = true,
       .m_nTrailCut = 19}, {.leadCut = 3, .trailCut = 19, .simpleHeader = true, .separatorFirst = true}},
      {"キャンセル forgets every change", {{kIdCutOutsideRange, -1}, {kIdSimpleHeader, -1}, {kIdSeparatorFirst, -1},
       {kIdLeadCut, 4}, {kIdSeparatorText, 0}, {kIdAppendSeparator, -1}, {kReverseLayerIds[1], -1},
       {kIdCancel, -1}, {kOpen, -1}}, {}, {}},
      {"clearing append keeps the style of that moment", {{kIdSeparatorText, 0}, {kIdAppendSeparator, -1},
       {kIdOk, -1}, {kOpen, -1}}, {.m_bAppendSeparator = false, .m_nSeparatorStyle = 0}, {.append = false, .text = 0}},
      {"the text follows append", {{kIdAppendSeparator, -1}}, {}, {.append = false, .textEnabled = false}},
      {"one file on enables the text without append", {{kIdAppendSeparator, -1}, {kIdOneFile, -1},
       {kIdOneFile, -1}}, {}, {.append = false}},
      {"a per-file showing starts disabled", {{kIdOneFile, -1}, {kIdOk, -1}, {kOpen, -1}},
       {.m_bOneFile = false}, {.appendEnabled = false, .textEnabled = false}},
      {"OK keeps toggles; キャンセル forgets one up and one down", {{kReverseLayerIds[7], -1},
       {kRangeLayerIds[15], -1}, {kIdOk, -1}, {kOpen, -1}, {kReverseLayerIds[7], -1}, {kReverseLayerIds[1], -1},
       {kIdCancel, -1}, {kOpen, -1}}, {.m_abyReverse = Layers().set(7), .m_abyRange = Layers().set(15)},
       {.toggles = {kReverseLayerIds[7], kRangeLayerIds[15]}}},
      // clang-format on
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakeView view;
    behaviour::COptionBehaviour dlg(view);
    dlg.OnInitDialog();
    for (const auto& [id, item] : row.steps) {
      if (id == kOpen) dlg.OnInitDialog();
      if (id == kIdOk) dlg.OnOK();
      if (id == kIdCancel) dlg.OnCancel();
      if (item >= 0) view.SetSelection(id, item);
      if (item >= 0 || id == kOpen || id == kIdOk || id == kIdCancel) continue;
      view.SetChecked(id, id == kIdSeparatorFirst || !view.IsChecked(id));  // a radio stays on
      dlg.OnButton(id);
    }
    EXPECT_EQ(static_cast<const Options&>(dlg), row.stored);
    auto& c = view.controls;
    Shown shown{c[kIdLeadCut].nSelection,       c[kIdTrailCut].nSelection,
                c[kIdCutOutsideRange].bChecked, c[kIdSimpleHeader].bChecked,
                c[kIdSeparatorFirst].bChecked,  c[kIdAppendSeparator].bChecked,
                c[kIdSeparatorText].nSelection, c[kIdAppendSeparator].bEnabled,
                c[kIdSeparatorText].bEnabled,   {}};
    for (const auto* ids : {&kReverseLayerIds, &kRangeLayerIds})
      for (int layer = 1; layer <= engine::kMaxLayer; ++layer)
        if (c[(*ids)[layer]].bChecked) shown.toggles.push_back((*ids)[layer]);
    EXPECT_TRUE(shown == row.shown);
  }
}

}  // namespace
