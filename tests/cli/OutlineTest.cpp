// The outline against the run: the offsets, lengths and actions it prints must rebuild,
// byte for byte, the output a real run writes with the same options.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "engine/run/CExecutor.h"
#include "engine/sections/Outline.h"
#include "tests/support/Conversion.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"

namespace cli {
namespace {

using nlohmann::json;
using testing_support::ReadFile;
using testing_support::TempDir;

// Runs the command line with standard output into `out`; returns the exit status.
int RunCommand(std::vector<std::string> args, const std::string& out, std::string* err = nullptr) {
  args.insert(args.begin(), "velmorant-cli");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::ostringstream messages;
  std::istringstream none;
  const int status = RunCli(static_cast<int>(argv.size()), argv.data(), messages, none, false, fd);
  ::close(fd);
  if (err) *err = messages.str();
  return status;
}

// The bytes a run writes for one cluster, from its outline: sections outside the range in
// their places, those inside in order or reversed, each its text and its nested part (a
// divided block: its opening tag, its own sections, its closing tag).
struct Rebuilder {
  const std::string& bytes;
  bool bSeparatorFirst;

  std::string Span(std::size_t from, std::size_t to) const { return bytes.substr(from, to - from); }

  std::string Section(const json& s) const {
    const std::size_t start = s["offset"], head = s["head_length"],
                      end = start + s["length"].get<std::size_t>();
    std::string nested;
    const json& inner = s["sections"];
    if (inner.empty()) {
      nested = Span(start + head, end);
    } else {
      const json& last = inner.back();
      nested = Span(start + head, inner.front()["offset"]) + Cluster(inner) +
               Span(last["offset"].get<std::size_t>() + last["length"].get<std::size_t>(), end);
    }
    const std::string text = Span(start, start + head);
    return s["action"] == "reversed" && bSeparatorFirst ? nested + text : text + nested;
  }

  std::string Cluster(const json& sections) const {
    std::string before, range, after;
    bool bRangeSeen = false;
    for (const json& s : sections) {
      const std::string action = s["action"];
      const std::size_t start = s["offset"];
      if (action == "whole" || action == "kept") {
        (bRangeSeen ? after : before) += Span(start, start + s["length"].get<std::size_t>());
      } else if (action == "in-order") {
        range += Section(s);
        bRangeSeen = true;
      } else if (action == "reversed") {
        range = Section(s) + range;
        bRangeSeen = true;
      }
    }
    return before + range + after;
  }
};

const std::string kTables =
    "<!DOCTYPE html>\r\n<HTML><HEAD><TITLE>\x83\x8D\x83\x4F</TITLE></HEAD><BODY>\r\n"
    "<p>notice</p><HR>\r\n"
    "<TABLE><TR><TD>1 \x82\xA0</TD><TD>a</TD></TR><TR><TD>b</TD></TR></TABLE>\r\n"
    "<TABLE><TR><TD>2<HR>x</TD><TD><TABLE><TR><TD>deep</TD></TR></TABLE></TD></TR></TABLE>\r\n"
    "text<HR>\r\n<TABLE><TR><TD>3</TD></TR></TABLE><hr>last\r\n</BODY>\r\n</HTML>\r\n";
const std::string kUser = "<html><body>head<!-- res -->one<!-- res -->two<!-- res -->three</body>";

TEST(Outline, OffsetsAndActionsRebuildTheRunsOutput) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> rows = {
      {kTables, {"-r", "1"}},
      {kTables, {"-r", "1-3", "--order", "body"}},
      {kTables, {"-k", "1", "-r", "2,4"}},
      {kTables, {"-r", "1", "--range", "1", "--lead-cut", "1", "--trail-cut", "2"}},
      {kTables,
       {"-r", "1-2", "--range", "1-2", "--lead-cut", "1", "--trail-cut", "1", "--keep-cut"}},
      {kTables, {"--range", "2", "--lead-cut", "5", "--trail-cut", "5", "--keep-cut"}},
      {kTables, {"-k", "2", "-r", "3"}},  // layer 3 is never reached: blocks are not divided
      {kTables, {"-r", "15"}},
      {kTables, {}},  // every layer divided, all in order: the output is the input's document
      {kUser, {"-k", "3", "-s", "<!-- res -->", "-r", "1"}},
      {kUser, {"-k", "3", "-s", "<!--", "-r", "1", "--order", "body"}},
  };
  for (const auto& [log, options] : rows) {
    std::string name;
    for (const auto& o : options) name += o + " ";
    SCOPED_TRACE(name);
    TempDir dir;
    const std::string in = dir.Write("in.html", log);
    std::vector<std::string> args = options;
    args.push_back("-q");
    args.push_back(in);
    std::vector<std::string> outline = args;
    outline.insert(outline.begin(), "--outline=json");
    ASSERT_EQ(RunCommand(outline, dir.File("outline.json")), 0);
    args.insert(args.begin(), {"-o", dir.File("out.html")});
    ASSERT_EQ(RunCommand(args, dir.File("stdout")), 0);

    const json doc = json::parse(ReadFile(dir.File("outline.json")));
    ASSERT_EQ(doc["inputs"].size(), 1u);
    const json& file = doc["inputs"][0];
    EXPECT_TRUE(file["complete"].get<bool>());
    const Rebuilder r{log, name.find("body") == std::string::npos};
    const std::size_t headerAt = file["header"]["offset"], headerLength = file["header"]["length"];
    std::string rebuilt = log.substr(headerAt, headerLength) + r.Cluster(file["sections"]);
    const json& trailer = file["trailer"];
    rebuilt += trailer.is_null() ? "\r\n</BODY>\r\n</HTML>\r\n"
                                 : log.substr(trailer["offset"], trailer["length"]);
    EXPECT_EQ(rebuilt, ReadFile(dir.File("out.html")));
  }
}

// A viewer keeps the bytes and makes each text as its row is shown: the texts, the tree and
// the messages must be those of an outline that made them at once, in every encoding and
// for a log that fails part way.
TEST(Outline, TextsMadeLaterFromTheKeptBytesAreTheSame) {
  struct Row {
    const char* name;
    std::string log;
    int bEuc;
    int bUtf8;
    const char* separator = "";
  };
  const std::string words = "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz";
  const Row rows[] = {
      {"shift_jis_nested",
       "<HTML><BODY><TABLE><TR><TD>\x96\xBC &gt;&gt;1</TD></TR><TR><TD>b</TD></TR></TABLE>"
       "<HR>after</BODY></HTML>",
       0, 0},
      {"euc", "<HTML><BODY>x\xA4\xA2<HR>\xA4\xA4y</BODY></HTML>", 1, 0},
      {"utf8", "<HTML><BODY>\xE3\x81\x82<HR>\xE3\x81\x84</BODY></HTML>", 0, 1},
      {"stray_closing_tag", "<HTML><BODY>first<HR>second</TD>third</BODY></HTML>", 0, 0},
      // Nested sections that start with the words of the one holding them: one ends before
      // they do; one starts inside a tag, cut by the separator "=".
      // Long enough for the texts of its later half to be made on another thread.
      {"many_sections",
       [] {
         std::string log = "<HTML><BODY>";
         for (int i = 0; i < 5000; ++i) log += std::to_string(i) + "<HR>";
         return log + "</BODY></HTML>";
       }(),
       0, 0},
      {"long_words",
       "<HTML><BODY><TABLE><TR><TD>a</TD>" + words + "</TR></TABLE><TABLE><TR><b title=y>" + words +
           "<TD>b</TD></TR></TABLE></BODY></HTML>",
       0, 0, "="},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TempDir dir;
    const std::string path = dir.Write("in.html", r.log);
    // Each section's offset and text, depth first; the messages the outline gave.
    auto outline = [&](int bKeep, std::vector<std::string>& messages) {
      engine::CExecutor ex;
      testing_support::Settings settings;
      settings.range = {1, 2, 3};
      settings.userSeparator = r.separator;
      testing_support::Apply(settings, ex);
      ex.m_bEuc = r.bEuc;
      ex.m_bUtf8 = r.bUtf8;
      ex.m_bOutlineKeepsBytes = bKeep;
      ex.SetInputFiles({path});
      std::vector<std::string> texts;
      testing_support::MessageRecorder rec;
      ex.Outline([&](engine::FileOutline& file) {
        EXPECT_EQ(file.bytes != nullptr, bKeep == 1);
        const std::function<void(const std::vector<engine::OutlineSection>&)> walk =
            [&](const std::vector<engine::OutlineSection>& sections) {
              for (const engine::OutlineSection& s : sections) {
                if (bKeep) {
                  EXPECT_EQ(s.strText, "");  // made only when asked for
                }
                texts.push_back(std::to_string(s.nOffset) + " " + engine::SectionText(file, s));
                walk(s.children);
              }
            };
        walk(file.sections);
      });
      messages = rec.Texts();
      return texts;
    };
    std::vector<std::string> messagesAtOnce, messagesLater;
    const auto atOnce = outline(0, messagesAtOnce);
    ASSERT_GE(atOnce.size(), 2u);
    EXPECT_EQ(outline(1, messagesLater), atOnce);
    EXPECT_EQ(messagesLater, messagesAtOnce);
  }
}

}  // namespace
}  // namespace cli
