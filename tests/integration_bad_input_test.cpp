// Odd search keywords wherever they can come from: typed, committed by an
// input method or pasted into the real search box, and raw GBK bytes that
// no box can produce (lone lead bytes, invalid sequences, 100 KB, only
// blanks) handed to the search on the window model. Each ends in the right
// message or the right listings, never a crash or a hang.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QtTest/QTest>
#include <memory>
#include <variant>

#include "listing/search.h"
#include "tests/e2e_support.h"
#include "tests/program_fixture.h"
#include "tests/test_support.h"

namespace {

using namespace e2e;
using testing_support::G;
using testing_support::ListingRecord;
using testing_support::MakeListing;

// What a search ends in: a message (UTF-8), or the codes of the listings
// it shows, in order.
using Outcome = std::variant<const char*, std::vector<std::string>>;
constexpr const char* kNoKeyword = "请输入要搜索的关键字";
constexpr const char* kCodeLength = "请输入6位数的股票代码";
constexpr const char* kCodeStart = "请输入正确的股票代码";
constexpr const char* kDateForm = "请输入正确的日期格式如:2010-06-26";
constexpr const char* kNameLength = "请输入正确股票名称";
constexpr const char* kNothing = "系统没找到相关记录";
using Codes = std::vector<std::string>;

class BadSearchInput : public ::testing::Test {
 protected:
  void SetUp() override {
    // A name that a damaged page cut inside a character: it ends in a lone
    // lead byte.
    ListingRecord damaged = MakeListing("2010-04-07", "坏", "000003", "10");
    damaged[store::kName] += "\x81";
    {
      store::Store store(store::StorePath(folder.path()));
      ASSERT_FALSE(store.EnsureStore().has_value());
      testing_support::WriteListings(
          store, {MakeListing("2010-04-09", "浦发银行", "600000", "10"),
                  MakeListing("2010-04-08", "深发展Ａ", "000001", "10"), damaged});
    }
    program = std::make_unique<app::QtProgram>(folder.path(), "127.0.0.1:9", "http://127.0.0.1:9/");
    boxes.Attach(*program);
    program->Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&program->view()));
    ASSERT_TRUE(Settle(*program));
    ClickTab(*program, ui::MainWindow::kSearchPage);
  }

  ui::MainWindow& w() { return program->window(); }

  // The codes the search page lists.
  Codes ShownCodes() {
    ui::qt::GridView& results = View(*program, w().高级表格_搜索结果);
    Codes codes;
    for (int r = 1; r <= ListingRowsShown(results); ++r)
      codes.push_back(CellShown(results, r, 2).toStdString());
    return codes;
  }

  // Checks what the last search ended in. Listings are asked for only
  // after a search that found some: the page is emptied first, so the
  // codes shown are this search's.
  void Expect(const Outcome& outcome, const std::string& what) {
    SCOPED_TRACE(what);
    if (const auto* message = std::get_if<const char*>(&outcome)) {
      EXPECT_EQ(boxes.Take(), std::vector{Told(*message)});
    } else {
      EXPECT_TRUE(boxes.Take().empty());
      EXPECT_EQ(ShownCodes(), std::get<Codes>(outcome));
    }
  }

  void ClearResults() {
    ui::Grid& results = w().高级表格_搜索结果;
    for (int r = 1; r < results.RowCount(); ++r) results.SetText(r, 2, "");
    for (int r = 1; r < results.RowCount(); ++r) results.SetText(r, 0, "");
  }

  testing_support::TempDir folder;
  ModalScript boxes;
  std::unique_ptr<app::QtProgram> program;
};

TEST_F(BadSearchInput, WhatAUserCanTypeIntoTheRealBox) {
  struct Case {
    ui::RadioButton* kind;
    QString typed;
    Outcome outcome;
  };
  const QString ideographic_blank(QChar(0x3000));
  const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // no GBK form: becomes "?"
  const std::vector<Case> cases = {
      {&w().单选框_代码, ideographic_blank + Q("600000") + ideographic_blank, Codes{"600000"}},
      {&w().单选框_代码, Q("６０００００"), kCodeLength},  // full-width digits: 12 bytes
      {&w().单选框_代码, Q("6") + emoji + Q("000"), kCodeLength},
      {&w().单选框_代码, Q("6") + emoji + Q("0000"), kNothing},
      {&w().单选框_代码, Q("A00000"), kCodeStart},
      {&w().单选框_日期, Q("2010－04－09"), kDateForm},  // full-width hyphens
      {&w().单选框_日期, ideographic_blank + Q(" 2010-04-09 ") + ideographic_blank,
       Codes{"600000"}},
      {&w().单选框_日期, Q("2010-"), Codes{"600000", "000001", "000003"}},
      {&w().单选框_股名, Q("浦发银行Ａ"), kNameLength},
      {&w().单选框_股名, Q("Ａ"), Codes{"000001"}},
      {&w().单选框_股名, Q("<b>&amp;"), kNothing},
      {&w().单选框_股名, emoji, kNothing},
      {&w().单选框_席位, ideographic_blank + ideographic_blank, kNoKeyword},
      {&w().单选框_席位, Q("    "), kNoKeyword},
      {&w().单选框_席位, Q("买1%';--"), kNothing},
      {&w().单选框_席位, Q("买1"), Codes{"600000", "000001", "000003"}},
  };
  for (const Case& c : cases) {
    ClearResults();
    ASSERT_NO_FATAL_FAILURE(Click(*program, *c.kind));
    ASSERT_NO_FATAL_FAILURE(TypeSearch(*program, c.typed));
    QTest::keyClick(program->view().WidgetFor(w().编辑框_搜索), Qt::Key_Return);
    Expect(c.outcome, c.kind->name() + " " + c.typed.toStdString());
  }
}

TEST_F(BadSearchInput, PastesOfAHundredKilobytes) {
  auto* box = qobject_cast<QLineEdit*>(program->view().WidgetFor(w().编辑框_搜索));
  ASSERT_NE(box, nullptr);
  const auto paste = [&](ui::RadioButton& kind, const QString& text) {
    ASSERT_NO_FATAL_FAILURE(Click(*program, kind));
    ASSERT_NO_FATAL_FAILURE(TypeSearch(*program, {}));
    QApplication::clipboard()->setText(text);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    ASSERT_FALSE(box->text().isEmpty());
    // The box keeps what it can hold; the model has the same text.
    EXPECT_EQ(w().编辑框_搜索.caption(), G(box->text().toStdString()));
    ClearResults();
    ASSERT_NO_FATAL_FAILURE(Click(*program, w().超级按钮_查询));
  };
  const QString characters = QString(100'000, QChar(u'浦'));
  for (ui::RadioButton* kind : {&w().单选框_代码, &w().单选框_股名, &w().单选框_席位})
    paste(*kind, characters);
  EXPECT_EQ(boxes.Take(), (std::vector{Told(kCodeLength), Told(kNameLength), Told(kNothing)}));

  // A code with a long run of blanks around it is still that code.
  paste(w().单选框_代码, QString(1000, QChar(0x3000)) + Q("600000") + QString(100'000, QChar(' ')));
  Expect(Codes{"600000"}, "a code among blanks");
}

TEST_F(BadSearchInput, RawBytesNoBoxCanProduce) {
  struct Keyword {
    const char* what;
    std::string bytes;
    // Outcome for the code, date, name and Seat kinds.
    Outcome code, date, name, seat;
  };
  const std::string ideographic_blank = "\xA1\xA1";
  std::string blanks_around;
  for (int i = 0; i < 50'000; ++i) blanks_around += ' ';
  blanks_around += "600000";
  for (int i = 0; i < 25'000; ++i) blanks_around += ideographic_blank;
  std::string only_ideographic_blanks;
  for (int i = 0; i < 1000; ++i) only_ideographic_blanks += ideographic_blank;
  const std::vector<Keyword> keywords = {
      // The damaged name holds this lone byte on a character boundary.
      {"lone lead byte", "\x81", kCodeLength, kDateForm, Codes{"000003"}, kNothing},
      // Only the damaged name's last byte matches its first: no match
      // reaches past the end of a text.
      {"lead byte and a second byte", "\x81\x40", kCodeLength, kDateForm, kNothing, kNothing},
      {"invalid sequence", "\xFF\xFF\xFF", kCodeLength, kDateForm, kNothing, kNothing},
      {"lone 0x80", "\x80", kCodeLength, kDateForm, kNothing, kNothing},
      {"code ending in a lead byte", "60000\xB0", kNothing, kDateForm, kNothing, kNothing},
      {"date ending in an invalid byte", "2010-\xFF", kCodeStart, kNothing, kNothing, kNothing},
      {"a lead byte before the hyphen", "2010\x81-04-09", kCodeLength, kDateForm, kNameLength,
       kNothing},
      {"100 KB", std::string(100'000, 'x'), kCodeLength, kDateForm, kNameLength, kNothing},
      {"100 KB of a date", "2010-" + std::string(100'000, '9'), kCodeLength, kNothing, kNameLength,
       kNothing},
      {"a code inside 100 KB of blanks", blanks_around, Codes{"600000"}, kDateForm, kNothing,
       kNothing},
      {"only ideographic blanks", only_ideographic_blanks, kNoKeyword, kNoKeyword, kNoKeyword,
       kNoKeyword},
      {"mixed blanks", " \xA1\xA1 \xA1\xA1", kNoKeyword, kNoKeyword, kNoKeyword, kNoKeyword},
  };
  ui::RadioButton* const kinds[] = {&w().单选框_代码, &w().单选框_日期, &w().单选框_股名,
                                    &w().单选框_席位};
  for (const Keyword& k : keywords) {
    const Outcome* outcomes[] = {&k.code, &k.date, &k.name, &k.seat};
    for (int i = 0; i < 4; ++i) {
      ClearResults();
      kinds[i]->UserClick();
      w().编辑框_搜索.SetCaption(k.bytes);
      listing::RunSearch(program->context());
      QCoreApplication::processEvents();
      Expect(*outcomes[i], std::string(k.what) + " as " + kinds[i]->name());
    }
  }
  // A found keyword titles the page as the label can show it: the damaged
  // byte as a replacement character.
  w().单选框_股名.UserClick();
  w().编辑框_搜索.SetCaption("\x81");
  listing::RunSearch(program->context());
  EXPECT_EQ(Shown(*program, w().标签_搜索标题), QString(QChar(0xFFFD)) + Q("(上榜统计)"));
  EXPECT_EQ(program->state().search_keyword, "\x81");
  EXPECT_TRUE(boxes.Take().empty());
}

}  // namespace
