// What the main dialog does, without a toolkit: a fake view holds the controls' values by
// id, answers the file dialogs and runs what is posted to the UI thread.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "engine/Messages.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "ui/behaviour/CMainBehaviour.h"
#include "ui/resources/ControlIds.h"
#include "ui/resources/Strings.h"

using namespace resources;
using testing_support::MessageRecorder;
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
  int nPreviewChanges = 0;

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
  }
  void SetTimer(int, int) override {}
  void SetProgress(int id, int value) override { controls[id].nSelection = value; }
  std::vector<std::string> ChooseInputs(const std::string&) override { return Next(); }
  std::string ChooseOutput(const std::string&) override {
    const auto answer = Next();
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
  bool ShowOptions() override { return true; }
  void ShowPreview() override {}
  void PreviewChanged() override { ++nPreviewChanges; }
  void ShowAbout() override {}
  std::string DefaultOutputPath() const override { return "default.html"; }

  // Runs what other threads posted, waiting a little for it when there is none.
  void RunPosted() {
    std::function<void()> task;
    {
      std::lock_guard lock(m_mutex);
      if (!m_tasks.empty()) {
        task = std::move(m_tasks.front());
        m_tasks.pop_front();
      }
    }
    if (task)
      task();
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

 private:
  std::vector<std::string> Next() {
    if (answers.empty()) return {};
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::mutex m_mutex;
  std::deque<std::function<void()>> m_tasks;
};

struct Fixture {
  TempDir dir;
  FakeView view;
  behaviour::CMainBehaviour dlg{view};
  Fixture() { dlg.OnInitDialog(); }
  std::string File(char name) const { return dir.File(std::string(1, name) + ".html"); }
  // The rows as letters ("-": the placeholder), then the selected row.
  std::string Shown() const {
    std::string shown;
    for (const std::string& row : view.controls[kIdInputList].items)
      shown += row.size() > 6 && row.substr(row.size() - 5) == ".html" ? row[row.size() - 6] : '-';
    return shown + " " + std::to_string(view.Selection(kIdInputList));
  }
};

// Steps, one letter each: a file dialog answering a, b or c ("+abc"), a row selected ("1"),
// delete ("d"), up ("u"), down ("n"); then the rows and the selection.
struct ListCase {
  const char* steps;
  const char* shown;
};
class ListOperations : public testing::TestWithParam<ListCase> {};

TEST_P(ListOperations, ChangeTheInputsAndTheSelection) {
  Fixture f;
  const std::string steps = GetParam().steps;
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
  }
  const std::string shown = f.Shown();
  EXPECT_EQ(shown, GetParam().shown);
  EXPECT_EQ(f.dlg.m_astrInputPaths.size(), shown[0] == '-' ? 0u : shown.find(' '));
}

INSTANTIATE_TEST_SUITE_P(Rows, ListOperations,
                         testing::Values(ListCase{"", "- -1"}, ListCase{"+ab+", "ab 1"},
                                         ListCase{"+abc1d", "ac 1"}, ListCase{"+abc2d", "ab 1"},
                                         ListCase{"+abc0ddd+b", "b 0"}, ListCase{"0dun", "- 0"},
                                         ListCase{"+abc0u2n1u", "bac 0"},
                                         ListCase{"+abc0n", "bac 1"}, ListCase{"+abc1n", "acb 2"}));

// The separator field: items picked (a digit) and text typed ("t"); then whether the text is
// a string of the user's and the kind chosen.
struct SeparatorCase {
  const char* steps;
  int bUser, nKind;
};
class SeparatorChoice : public testing::TestWithParam<SeparatorCase> {};

TEST_P(SeparatorChoice, DecidesTheKindAndTheUserString) {
  Fixture f;
  for (const char c : std::string(GetParam().steps)) {
    if (c == 't') {
      f.view.SetSelection(kIdSeparator, -1);
      f.view.SetText(kIdSeparator, "abc");
      f.dlg.OnEditchangeSeparator();
    } else {
      f.view.SetSelection(kIdSeparator, c - '0');
      f.dlg.OnSelchangeSeparator();
    }
  }
  EXPECT_EQ(f.dlg.m_bUserSeparator, GetParam().bUser);
  EXPECT_EQ(f.dlg.m_nSeparatorKind, GetParam().nKind);
}

INSTANTIATE_TEST_SUITE_P(Rows, SeparatorChoice,
                         testing::Values(SeparatorCase{"", 0, 0}, SeparatorCase{"t", 1, 0},
                                         SeparatorCase{"2t", 1, 2}, SeparatorCase{"t1", 1, 1},
                                         SeparatorCase{"3", 1, 3}, SeparatorCase{"31", 1, 1}));

TEST(MainBehaviour, ASeparatorOverTheLimitIsRefusedWhole) {
  Fixture f;
  MessageRecorder boxes;
  f.view.SetSelection(kIdSeparator, -1);
  for (const std::size_t n : {1024u, 1025u}) {
    f.view.SetText(kIdSeparator, std::string(n - 1, 'x') + "\xE5\x90\x8D");  // 名 counts one
    f.dlg.OnEditchangeSeparator();
  }
  EXPECT_EQ(f.view.Text(kIdSeparator).size(), 1026u);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kSeparatorTooLong});
}

// A run on the worker thread: editing is off while it goes on, the closing message comes on
// the UI thread, the bar is empty again; folders are kept when the dialog closes.
TEST(MainBehaviour, RunsBesideTheDialogAndEndsWithItsMessage) {
  Fixture f;
  const std::string input = f.dir.Write("a.html", "<HTML><BODY>a<HR>b</BODY></HTML>");
  f.view.answers.push_back({input});
  f.dlg.OnAddInput();
  f.view.SetText(kIdOutput, f.dir.File("out.html"));
  MessageRecorder boxes;
  f.dlg.OnRun();
  EXPECT_TRUE(f.dlg.IsRunning());
  EXPECT_FALSE(f.view.controls[kIdRun].bEnabled);
  f.view.WaitUntil([&] { return !f.dlg.IsRunning(); });
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{msg::kNormalEnd});
  EXPECT_TRUE(f.view.controls[kIdRun].bEnabled);
  EXPECT_EQ(f.view.controls[kIdProgress].nSelection, 0);
  EXPECT_EQ(testing_support::ReadFile(f.dir.File("out.html")), "<HTML><BODY>a<HR>b</BODY></HTML>");
  EXPECT_TRUE(f.dlg.OnClose());
  EXPECT_EQ(f.view.settings["folders/output"], f.dir.Path());
}

// Closing during a run asks; the answer decides whether it stops, and a stopped run leaves
// the old output. The dialog stays open either way.
class StopQuestion : public testing::TestWithParam<int> {};

TEST_P(StopQuestion, DecidesWhetherTheRunStops) {
  Fixture f;
  f.view.answers.push_back({f.dir.Write("a.html", testing_support::MakeBoardLog(12u << 20))});
  f.dlg.OnAddInput();
  f.view.SetText(kIdOutput, f.dir.Write("out.html", "old"));
  std::atomic<bool> bHeld{true};
  auto inner = f.dlg.m_executor.m_searcher.m_checkpoint;
  f.dlg.m_executor.m_searcher.m_checkpoint = [&, inner](std::size_t pos) {
    while (bHeld && f.dlg.m_nAbort == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return inner(pos);
  };
  MessageRecorder boxes(platform::kIdYes);  // overwrite: yes
  f.dlg.OnRun();
  boxes.answer = GetParam();
  EXPECT_FALSE(f.dlg.OnClose());
  bHeld = false;
  f.view.WaitUntil([&] { return !f.dlg.IsRunning(); });
  const bool bStopped = GetParam() == platform::kIdYes;
  ASSERT_EQ(boxes.Texts().size(), 3u);
  EXPECT_EQ(boxes.Texts()[1], kAskStop);
  EXPECT_EQ(boxes.Texts()[2].substr(0, boxes.Texts()[2].find('\n')),
            bStopped ? msg::kStopped : msg::kNormalEnd);
  EXPECT_EQ(testing_support::ReadFile(f.dir.File("out.html")) == "old", bStopped);
}

INSTANTIATE_TEST_SUITE_P(Answers, StopQuestion, testing::Values(platform::kIdYes, platform::kIdNo));

}  // namespace
