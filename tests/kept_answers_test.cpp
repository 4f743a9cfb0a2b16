// Unreadable answers kept in the cache folder: the first 64 KiB of each, a
// file per answer, the newest twenty.
#include "download/kept_answers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace {

using download::AnswerKeeper;
using testing_support::ReadFileBytes;
using testing_support::TempDir;

std::vector<std::string> Names(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(KeptAnswersTest, TheNewestTwentyAreKeptTheirFirst64KiBEach) {
  TempDir dir;
  const auto folder = dir / "cache" / "quorvane" / "answers";
  AnswerKeeper keeper(folder);
  std::vector<std::filesystem::path> kept;
  for (int i = 0; i < 25; ++i) {
    const auto file = keeper.Keep("answer " + std::to_string(i), "RPT/X 2010-06-04");
    ASSERT_TRUE(file) << i;
    EXPECT_EQ(file->parent_path(), folder);
    kept.push_back(*file);
  }
  // Something of the user's own in the folder stays.
  testing_support::WriteFileBytes(folder / "notes.txt", "mine");
  const auto big = keeper.Keep(std::string(200'000, 'x'), "big");
  ASSERT_TRUE(big);
  EXPECT_EQ(ReadFileBytes(*big).size(), AnswerKeeper::kKeptBytes);
  const auto names = Names(folder);
  ASSERT_EQ(names.size(), AnswerKeeper::kKeptFiles + 1);
  EXPECT_EQ(names.back(), "notes.txt");
  // The six oldest went; the names say what each answer was.
  for (int i = 0; i < 6; ++i) EXPECT_FALSE(std::filesystem::exists(kept[static_cast<size_t>(i)]));
  EXPECT_EQ(ReadFileBytes(kept.back()), "answer 24");
  EXPECT_NE(kept.back().filename().string().find("RPT_X_2010-06-04"), std::string::npos)
      << kept.back();
}

TEST(KeptAnswersTest, NoFolderOrAnUnwritableOneKeepsNothing) {
  AnswerKeeper nowhere;
  EXPECT_FALSE(nowhere.Keep("x", "y"));
  TempDir dir;
  testing_support::WriteFileBytes(dir / "file", "a file, not a folder");
  AnswerKeeper blocked(dir / "file" / "answers");
  EXPECT_FALSE(blocked.Keep("x", "y"));
}

}  // namespace
