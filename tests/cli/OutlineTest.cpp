// The texts of an outline that keeps its bytes, and the printers' chunks. What an outline
// prints for a run's options is pinned by the golden cases outline_json_NAME, beside what
// the run NAME writes.
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/OutlinePrinter.h"
#include "engine/run/CExecutor.h"
#include "engine/sections/Outline.h"
#include "tests/support/Conversion.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"

namespace cli {
namespace {

using testing_support::TempDir;

// A viewer keeps the bytes and makes each text as its row is shown: the texts, the tree and
// the messages must be those of an outline that made them at once, in every encoding and
// for a log that fails part way. So must an outline printed as the file is split, each top
// section as soon as it is finished.
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
      // Long enough for texts to be made on another thread, chunk by chunk, with nested
      // sections shown in each; posts and rows of cells alternate.
      {"many_sections",
       [&] {
         std::string log = "<HTML><BODY>";
         for (int i = 0; i < 30000; ++i) {
           log += i % 2 ? std::to_string(i) + words + "<HR>"
                        : "<TABLE><TR><TD>" + std::to_string(i) + words + "</TD><TD>" + words +
                              std::to_string(i) + "</TD></TR></TABLE>";
         }
         return log + "</BODY></HTML>";
       }(),
       0, 0},
      // A post's first cell holds a few characters, its second the post's words, made from
      // the post's text: after a space, a reference, an escaped character, a byte that becomes
      // three, one that is no character, or a cell that ends early or is empty.
      {"cells_after_a_few_characters",
       [&] {
         std::string log = "<HTML><BODY>";
         const std::string y(30, 'y');
         const std::string firsts[] = {"\x81\x63",     "&gt;&gt;1", "a\x01",        "\xB1\xB2",
                                       "&nbsp;",       "&amp;",     "x\x80",        "",
                                       "\xE2\x80\xA6", y,           y + "yyyyyyyyy"};
         const char* rests[] = {"",       " \x96\xBC",         "\xA0", "\x81\x63\xB1",
                                "&#x1b;", "</TD><TD></TD><TD>"};
         for (const std::string& f : firsts) {
           for (const char* r : rests) {
             log += std::string("<TABLE><TR><TD>") + f + "</TD><TD><b>" + words.substr(0, 30) + r +
                    words + "</TD></TR></TABLE>";
           }
         }
         return log + "</BODY></HTML>";
       }(),
       0, 0},
      {"utf8_cells",
       "<HTML><BODY><TABLE><TR><TD>\xE2\x80\xA6</TD><TD>\xE3\x81\x82" + words + words +
           "</TD></TR></TABLE></BODY></HTML>",
       0, 1},
      {"long_words",
       "<HTML><BODY><TABLE><TR><TD>a</TD>" + words + "</TR></TABLE><TABLE><TR><b title=y>" + words +
           "<TD>b</TD></TR></TABLE></BODY></HTML>",
       0, 0, "="},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TempDir dir;
    const std::string path = dir.Write("in.html", r.log);
    // Each section's place, action and text, depth first; the messages the outline gave.
    auto outline = [&](int bKeep, std::vector<std::string>& messages, bool bStreamed = false) {
      engine::CExecutor ex;
      testing_support::Settings settings;
      settings.range = {1, 2, 3};
      settings.userSeparator = r.separator;
      testing_support::Apply(settings, ex);
      ex.m_bEuc = r.bEuc;
      ex.m_bUtf8 = r.bUtf8;
      ex.m_bOutlineKeepsBytes = bKeep;
      if (bStreamed) {
        ex.m_nPlaceMin = 0;
        ex.m_searcher.m_nTopStep = 0;
      }
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
                texts.push_back(std::to_string(s.nLayer) + " #" + std::to_string(s.nIndex) + " " +
                                std::to_string(s.nOffset) + " " + engine::ActionName(s.action) +
                                " " + engine::SectionText(file, s));
                walk(s.children);
              }
            };
        walk(file.sections);
      });
      messages = rec.Texts();
      return texts;
    };
    std::vector<std::string> messagesAtOnce, messagesLater, messagesStreamed;
    const auto atOnce = outline(0, messagesAtOnce);
    ASSERT_GE(atOnce.size(), 2u);
    EXPECT_EQ(outline(1, messagesLater), atOnce);
    EXPECT_EQ(messagesLater, messagesAtOnce);
    EXPECT_EQ(outline(0, messagesStreamed, true), atOnce);
    EXPECT_EQ(messagesStreamed, messagesAtOnce);
  }
}

// The printers hand their text on in chunks of about a megabyte: each line, those across
// the end of a chunk too, is the one the section prints alone, and the JSON is one document.
TEST(Outline, PrintersHandOnWholeLinesAcrossChunks) {
  const engine::FileOutline file;
  std::vector<engine::OutlineSection> sections;
  for (std::size_t i = 0; i < 30000; ++i) {
    sections.push_back(
        {.nLayer = static_cast<int>(1 + i % 3),
         .nIndex = i,
         .nOffset = i * 9,
         .action = i % 2 ? engine::SectionAction::kReversed : engine::SectionAction::kCut,
         .strText = i % 7 ? std::string(i % 50, 'a') : "\"quoted\" \x01",
         .children = {}});
  }
  const auto print = [&](engine::COutlineReader& printer, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) printer.Add(sections[i], false);
    printer.End(file);
  };
  std::string text, alone, json;
  std::size_t chunks = 0;
  TextOutlinePrinter all([&](const std::string& t) { text += t, ++chunks; });
  print(all, 0, sections.size());
  EXPECT_GT(chunks, 1u);
  for (std::size_t i = 0; i < sections.size(); ++i) {
    TextOutlinePrinter one([&](const std::string& t) { alone += t; });
    print(one, i, i + 1);
  }
  EXPECT_EQ(text, alone);
  JsonOutlinePrinter printer([&](const std::string& t) { json += t; });
  printer.Begin(file);
  print(printer, 0, sections.size());
  const nlohmann::json doc = nlohmann::json::parse(json);  // throws when it is not JSON
  ASSERT_EQ(doc["sections"].size(), sections.size());
  for (std::size_t i = 0; i < sections.size(); i += 997) {
    EXPECT_EQ(doc["sections"][i]["text"], sections[i].strText) << i;
  }
}

}  // namespace
}  // namespace cli
